#!/usr/bin/env bash
# Regenerates the screenshots of docs/dialogs.md: runs the end-to-end cases that show each
# dialog under Wine and copies their screenshots to docs/dialogs/<id>.png. Run after
# scripts/build.sh.
set -euo pipefail
cd "$(dirname "$0")/.."
# dialog id, the case that shows it, its screenshot there
shots=(
  "1000 refusals 1000"           "1100 bad_disk_line 1100"       "1200 disk_dialog_refusals 1200"
  "1300 copy_error 1300"         "1400 refusals 1400"            "1500 not_enough_space 1500"
  "1550 fonts_only 1550"         "1600 startup 1600"             "1700 floppy_two_disks 1700"
  "1800 missing_file 1800"       "1900 missing_script_cancel 1900" "2000 name_too_long 2000"
  "2100 many_disk progress"      "2200 run_fails 2200"           "2201 many_disk 2201"
  "2202 run_fails 2202"          "2203 install_new 2203"         "2301 disk_dialog_refusals 2301"
  "2302 refusals 2302"           "2400 install_new 2400"         "2401 reinstall_elsewhere 2401"
  "2402 upgrade 2402"            "2500 too_many_disks 2500"      "2700 upgrade_refused 2700"
  "2800 windows_version 2800"    "3100 uninstall 3100"           "3200 uninstall_win95 3200"
  "3300 uninstall 3300"          "3400 uninstall_unreadable 3400"
)
cases=$(printf '%s\n' "${shots[@]}" | awk '{print $2}' | sort -u | paste -sd'|')
ctest --test-dir build/host -R "^e2e\.($cases)\$" --output-on-failure
for s in "${shots[@]}"; do
  read -r id case file <<< "$s"
  cp "build/host/e2e/$case/$file.png" "docs/dialogs/$id.png"
done
echo "docs/dialogs: ${#shots[@]} screenshots"

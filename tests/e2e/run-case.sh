#!/usr/bin/env bash
# Runs one end-to-end case: the real setup.exe under Wine, driven by driver.exe.
#
#   run-case.sh CASE_DIR WORK_DIR WIN64_BUILD_DIR
#
# CASE_DIR holds steps.txt (the driver's steps), the files to put beside setup.exe
# (INSTALL.INI, ...), optionally `version` (win95, nt351, nt40: what Wine poses as) and
# optionally check.sh, run after the driver with WINEPREFIX and WINE set, to look at what
# landed in the prefix. setup.exe and its files are placed in C:\SETUP of a fresh prefix,
# as on a real machine. In steps.txt, $SETUP is C:\SETUP\SETUP.EXE and $WORK the work
# folder as Windows sees it (sub-folders of CASE_DIR are copied there). The work folder
# keeps the driver's log and the screenshots (PNG when ImageMagick is installed).
set -euo pipefail
case_dir=$(cd "$1" && pwd)
work=$2
build=$(cd "$3" && pwd)
here=$(cd "$(dirname "$0")" && pwd)

for f in "$build/src/setup.exe" "$build/tests/programs/driver/driver.exe"; do
  [ -f "$f" ] || { echo "run-case.sh: $f is missing: build the win64 build first" >&2; exit 1; }
done

rm -rf "$work"
mkdir -p "$work/setup"
work=$(cd "$work" && pwd)
cp "$build/src/setup.exe" "$work/setup/SETUP.EXE"
find "$case_dir" -maxdepth 1 -type f ! -name steps.txt ! -name version ! -name check.sh \
  -exec cp {} "$work/setup/" \;
for d in "$case_dir"/*/; do [ -d "$d" ] && cp -r "$d" "$work/"; done

win_work="Z:$(echo "$work" | sed 's|/|\\|g')"
setup_path='C:\SETUP\SETUP.EXE'
while IFS= read -r line || [ -n "$line" ]; do
  line=${line//\$WORK/"$win_work"}
  printf '%s\n' "${line//\$SETUP/"$setup_path"}"
done < "$case_dir/steps.txt" > "$work/steps.txt"
cp "$build/tests/programs/driver/driver.exe" "$work/"

args=(--display)
[ -f "$case_dir/version" ] && args+=(--version "$(cat "$case_dir/version")")
export ZEP_CASE_DIR=$case_dir ZEP_WORK=$work
set +e
"$here/../wine/wine-run.sh" "${args[@]}" -- sh -c '
  set -e
  mkdir -p "$WINEPREFIX/drive_c/SETUP"
  cp -r "$ZEP_WORK/setup/." "$WINEPREFIX/drive_c/SETUP/"
  "$WINE" "$ZEP_WORK/driver.exe" "Z:$(echo "$ZEP_WORK/steps.txt" | sed "s|/|\\\\|g")"
  if [ -f "$ZEP_CASE_DIR/check.sh" ]; then bash "$ZEP_CASE_DIR/check.sh"; fi
' 2>&1 | tee "$work/driver.log"
status=${PIPESTATUS[0]}
set -e
if command -v convert >/dev/null && convert -version 2>/dev/null | grep -q ImageMagick; then
  for bmp in "$work"/*.bmp; do
    [ -f "$bmp" ] && convert "$bmp" "${bmp%.bmp}.png" && rm "$bmp"
  done
fi
if [ "$status" = 77 ] && [ "${ZEP_E2E_REQUIRED:-0}" = 1 ]; then
  echo "run-case.sh: Wine is required for this run" >&2
  exit 1
fi
exit "$status"

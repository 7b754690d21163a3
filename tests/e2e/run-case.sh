#!/usr/bin/env bash
# Runs one end-to-end case: the real setup.exe under Wine, driven by driver.exe.
#
#   run-case.sh CASE_DIR WORK_DIR WIN64_BUILD_DIR
#
# CASE_DIR holds steps.txt (the driver's steps), the files to put beside setup.exe
# (INSTALL.INI, ...) and optionally `version` (win95, nt351, nt40: what Wine poses as).
# In steps.txt, $WORK is the work folder and $SETUP setup.exe's path, as Windows sees
# them. The work folder keeps the driver's log and the screenshots (PNG when ImageMagick
# is installed).
set -euo pipefail
case_dir=$1
work=$2
build=$3
here=$(cd "$(dirname "$0")" && pwd)

for f in "$build/src/setup.exe" "$build/tests/programs/driver/driver.exe"; do
  [ -f "$f" ] || { echo "run-case.sh: $f is missing: build the win64 build first" >&2; exit 1; }
done

rm -rf "$work"
mkdir -p "$work/setup"
cp "$build/src/setup.exe" "$work/setup/"
find "$case_dir" -maxdepth 1 -type f ! -name steps.txt ! -name version -exec cp {} "$work/setup/" \;
for d in "$case_dir"/*/; do [ -d "$d" ] && cp -r "$d" "$work/"; done

winpath() { echo "Z:$1" | sed 's|/|\\|g'; }
win_work=$(winpath "$work")
sed -e "s|\$WORK|${win_work//\\/\\\\}|g" -e "s|\$SETUP|${win_work//\\/\\\\}\\\\setup\\\\setup.exe|g" \
  "$case_dir/steps.txt" > "$work/steps.txt"

args=(--display)
[ -f "$case_dir/version" ] && args+=(--version "$(cat "$case_dir/version")")
set +e
"$here/../wine/wine-run.sh" "${args[@]}" -- \
  sh -c '"$WINE" "$0" "$1"' "$build/tests/programs/driver/driver.exe" "$(winpath "$work/steps.txt")" \
  2>&1 | tee "$work/driver.log"
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

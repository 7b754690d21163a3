#!/usr/bin/env bash
# Installs what is missing, builds everything and runs the sample product's setup.exe
# under Wine: on your display when there is one (DISPLAY set), otherwise driven
# automatically on a virtual display, with a screenshot of each dialog.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
work=$PWD/build/demo
sample=examples/sample
if [ -n "${DISPLAY:-}" ] && [ "${ZEP_DEMO_AUTO:-0}" != 1 ]; then
  rm -rf "$work" && mkdir -p "$work"
  cp build/win64/src/setup.exe "$work/"
  cp -r "$sample"/files/. "$work/" 2>/dev/null || true
  cp "$sample"/INSTALL.INI "$work/"
  echo "Starting setup.exe from $work on $DISPLAY ..."
  WINEDEBUG=-all /usr/lib/wine/wine64 "$work/setup.exe"
  echo "setup.exe ended with exit code $?"
else
  tests/e2e/run-case.sh "$PWD/$sample" "$work" "$PWD/build/win64"
  echo
  echo "Screenshots and the driver's log are in $work."
fi

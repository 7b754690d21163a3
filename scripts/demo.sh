#!/usr/bin/env bash
# Installs what is missing, builds everything and installs the sample product with its
# setup.exe under Wine: on your display when there is one (DISPLAY set), otherwise driven
# automatically on a virtual display, with a screenshot of each dialog.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
work=$PWD/build/demo
sample=$PWD/examples/sample
if [ -n "${DISPLAY:-}" ] && [ "${ZEP_DEMO_AUTO:-0}" != 1 ]; then
  rm -rf "$work" && mkdir -p "$work/setup"
  cp build/win64/src/setup.exe "$work/setup/SETUP.EXE"
  cp "$sample/INSTALL.INI" "$work/setup/"
  ZEP_WORK=$work ZEP_SETUP_DIR=$work/setup ZEP_WIN64_BUILD_DIR=$PWD/build/win64 \
    ZEP_HOST_BUILD_DIR=$PWD/build/host "$sample/prepare.sh"
  echo "Starting $work/setup/SETUP.EXE on $DISPLAY (Wine's default prefix) ..."
  WINEDEBUG=-all /usr/lib/wine/wine64 "$work/setup/SETUP.EXE"
  echo "setup.exe ended with exit code $?"
else
  tests/e2e/run-case.sh "$sample" "$work" "$PWD/build/win64" "$PWD/build/host"
  echo
  echo "The driver's log and a screenshot of each dialog are in $work."
fi

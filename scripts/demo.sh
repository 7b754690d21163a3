#!/usr/bin/env bash
# Installs what is missing, builds everything and installs the sample product with its
# setup.exe under Wine: on your display when there is one (DISPLAY set), otherwise driven
# automatically on a virtual display, with a screenshot of each dialog.
#   demo.sh [disk|embedded]
# disk: setup.exe beside the compressed files of its two disks; embedded: one setup.exe
# that carries them all. On a display the default is disk; driven, both run in turn.
set -euo pipefail
cd "$(dirname "$0")/.."
mode=${1:-}
case $mode in ''|disk|embedded) ;; *) echo "usage: $0 [disk|embedded]" >&2; exit 2 ;; esac
scripts/install-deps.sh
scripts/build.sh
root=$PWD
sample=$root/examples/sample
layout() {  # the sample laid out in $1/setup for mode $2
  rm -rf "$1" && mkdir -p "$1/setup"
  cp build/win64/src/setup.exe "$1/setup/SETUP.EXE"
  cp "$sample/INSTALL.INI" "$1/setup/"
  export ZEP_WORK=$1 ZEP_SETUP_DIR=$1/setup ZEP_WIN64_BUILD_DIR=$root/build/win64 ZEP_HOST_BUILD_DIR=$root/build/host
  "$sample/prepare.sh"
  if [ "$2" = embedded ]; then scripts/pack-embedded.sh "$1/setup" "$ZEP_WIN64_BUILD_DIR" "$ZEP_HOST_BUILD_DIR"; fi
}
if [ -n "${DISPLAY:-}" ] && [ "${ZEP_DEMO_AUTO:-0}" != 1 ]; then
  mode=${mode:-disk}
  work=$root/build/demo-$mode
  layout "$work" "$mode"
  echo "Starting $work/setup/SETUP.EXE ($mode mode) on $DISPLAY (Wine's default prefix) ..."
  status=0
  WINEDEBUG=-all /usr/lib/wine/wine64 "$work/setup/SETUP.EXE" || status=$?
  echo "setup.exe ended with exit code $status"
else
  for m in ${mode:-disk embedded}; do
    echo "=== the sample product, $m mode ==="
    case_dir=$root/build/demo-case-$m
    rm -rf "$case_dir" && mkdir -p "$case_dir"
    cp "$sample/steps.txt" "$sample/check.sh" "$case_dir/"
    echo examples/sample > "$case_dir/product"
    [ "$m" = embedded ] && printf '%s\n' 'set -eu' \
      '"$ZEP_CASE_DIR/../../scripts/pack-embedded.sh" "$ZEP_SETUP_DIR" "$ZEP_WIN64_BUILD_DIR" "$ZEP_HOST_BUILD_DIR"' \
      > "$case_dir/prepare.sh"
    tests/e2e/run-case.sh "$case_dir" "$root/build/demo-$m" "$root/build/win64" "$root/build/host"
    echo "The driver's log and a screenshot of each dialog are in build/demo-$m."
    echo
  done
fi

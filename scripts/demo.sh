#!/usr/bin/env bash
# Installs what is missing, builds everything, and makes the sample product's installers
# as its author would: 'zep check' on the product folder, then 'zep pack --disks' (two
# 1.44M disks) and 'zep pack --embedded' (one setup.exe that carries it all; both get the
# uninstaller zep adds). Then it installs both under Wine: on your display when there is
# one (DISPLAY set), otherwise driven automatically on a virtual display, with a
# screenshot of each dialog; the embedded run then removes the product with its
# uninstaller, as the uninstall entry names it.
#   demo.sh [disk|embedded]
# On a display the default is disk; driven, both run in turn.
set -euo pipefail
cd "$(dirname "$0")/.."
mode=${1:-}
case $mode in ''|disk|embedded) ;; *) echo "usage: $0 [disk|embedded]" >&2; exit 2 ;; esac
scripts/install-deps.sh
scripts/build.sh
root=$PWD
zep=$root/build/host/tools/zep/zep
out=$root/build/demo
export ZEP_WIN64_BUILD_DIR=$root/build/win64 ZEP_HOST_BUILD_DIR=$root/build/host
# Wine here runs the x86-64 setup.exe and uninst.exe; on Windows you would leave --stub and
# --uninst-stub out and ship the i686 ones zep carries.
stub=(--stub "$ZEP_WIN64_BUILD_DIR/src/setup.exe" --uninst-stub "$ZEP_WIN64_BUILD_DIR/src/uninst.exe")

echo "=== the author's way: a product folder, checked, then packed"
rm -rf "$out" && mkdir -p "$out"
examples/sample/make-product.sh "$out/product"
(cd "$out" && ls product)
echo "\$ zep check product"
(cd "$out" && "$zep" check product)
echo "\$ zep pack product --disks disks --disk-size 1.44M"
(cd "$out" && "$zep" pack product --disks disks --disk-size 1.44M "${stub[@]}")
echo "\$ zep pack product --embedded SETUP.EXE"
(cd "$out" && "$zep" pack product --embedded SETUP.EXE "${stub[@]}")
(cd "$out" && "$zep" list SETUP.EXE)
echo

if [ -n "${DISPLAY:-}" ] && [ "${ZEP_DEMO_AUTO:-0}" != 1 ]; then
  mode=${mode:-disk}
  if [ "$mode" = disk ]; then
    exe=$out/disks/DISK1/SETUP.EXE
    echo "When setup asks for disk 2, enter Z:$(echo "$out/disks/DISK2" | sed 's|/|\\|g')"
  else
    exe=$out/SETUP.EXE
  fi
  echo "Starting $exe ($mode mode) on $DISPLAY (Wine's default prefix) ..."
  status=0
  WINEDEBUG=-all /usr/lib/wine/wine64 "$exe" || status=$?
  echo "setup.exe ended with exit code $status"
else
  for m in ${mode:-disk embedded}; do
    echo "=== the sample product, $m mode ==="
    case_dir=$root/build/demo-case-$m
    rm -rf "$case_dir" && mkdir -p "$case_dir"
    cp examples/sample/check.sh "$case_dir/"
    echo examples/sample > "$case_dir/product"
    export ZEP_DEMO_OUT=$out ZEP_DEMO_ROOT=$root
    if [ "$m" = disk ]; then
      # Disk 1 in drive A:; disk 2's files in a folder the person types when asked.
      touch "$case_dir/floppy"
      printf '%s\n' 'set -eu' 'rm -rf "$ZEP_SETUP_DIR" && cp -rp "$ZEP_DEMO_OUT/disks/DISK1" "$ZEP_SETUP_DIR"' \
        'cp -rp "$ZEP_DEMO_OUT/disks/DISK2" "$ZEP_WORK/disk2"' > "$case_dir/prepare.sh"
      printf '%s\n' 'start setup $SETUP' 'wait-dialog 2400' 'shot $WORK\1-target.bmp' 'click 1' \
        'wait-dialog 1700 60000' 'shot $WORK\2-disk2.bmp' 'type 1701 $WORK\disk2' 'click 1' \
        'wait-dialog 2203 60000' 'shot $WORK\3-completed.bmp' 'click 1' 'wait-exit setup' \
        'expect-exit setup 0' 'sleep 1500' > "$case_dir/steps.txt"
    else
      printf '%s\n' 'set -eu' 'rm -rf "$ZEP_SETUP_DIR" && mkdir "$ZEP_SETUP_DIR"' \
        'cp -p "$ZEP_DEMO_OUT/SETUP.EXE" "$ZEP_SETUP_DIR/"' > "$case_dir/prepare.sh"
      cp examples/sample/steps.txt "$case_dir/"
      printf '%s\n' 'set -eu' 'bash "$ZEP_DEMO_ROOT/examples/sample/check.sh"' 'echo' \
        'echo "Removing it again with the uninstaller its uninstall entry names ..."' 'edited=0' \
        '. "$ZEP_DEMO_ROOT/tests/e2e/products/sample-uninstall-check.sh"' \
        'echo "Left behind: $(cd "$WINEPREFIX/drive_c" && ls -d SAMPLE SAMPLE/* windows/Fonts/SAMPLE.TTF 2>/dev/null | tr "\n" " ")"' \
        'finish "installed, then removed by its uninstaller but for the shared font and uninst.exe, which goes at the next restart"' \
        > "$case_dir/check.sh"
    fi
    tests/e2e/run-case.sh "$case_dir" "$root/build/demo-$m" "$root/build/win64" "$root/build/host"
    echo "The driver's log and a screenshot of each dialog are in build/demo-$m."
    echo
  done
fi

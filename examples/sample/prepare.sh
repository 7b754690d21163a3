#!/usr/bin/env bash
# Lays out the sample product beside setup.exe as disk mode reads it, the author's way:
# make-product.sh makes the product folder (in $ZEP_WORK/product) and 'zep pack --flat'
# the installation files. The originals go to $ZEP_WORK/expected for the checks.
#   ZEP_SETUP_DIR        where setup.exe and the disks' files go
#   ZEP_WORK             the case's work folder
#   ZEP_WIN64_BUILD_DIR  the win64 build (the sample program, the setup.exe Wine runs)
#   ZEP_HOST_BUILD_DIR   the host build (the zep tool)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
zep=$ZEP_HOST_BUILD_DIR/tools/zep/zep
product=$ZEP_WORK/product
expected=$ZEP_WORK/expected
rm -rf "$product" "$ZEP_WORK/flat"
"$here/make-product.sh" "$product"
mkdir -p "$expected/DATA" "$expected/DOC"
cp "$product/SAMPLE.EXE" "$product/SAMPLE.HLP" "$product/SAMPLE.TTF" "$expected/"
cp "$product/README.TXT" "$expected/DOC/README.TXT"
"$zep" expand -o "$ZEP_WORK" "$product/DATA.2" >/dev/null
cat "$product/DATA.1" "$ZEP_WORK/DATA.2" > "$expected/DATA/SAMPLE.DAT"
rm "$ZEP_WORK/DATA.2"
"$zep" pack "$product" --flat "$ZEP_WORK/flat" --stub "$ZEP_WIN64_BUILD_DIR/src/setup.exe" \
  --uninst-stub "$ZEP_WIN64_BUILD_DIR/src/uninst.exe" >/dev/null
# The uninstaller zep pack made for the product (the script names an uninstall entry).
"$zep" expand -o "$expected" "$ZEP_WORK/flat/UNINST.EX_" >/dev/null
cp -rp "$ZEP_WORK/flat/." "$ZEP_SETUP_DIR/"

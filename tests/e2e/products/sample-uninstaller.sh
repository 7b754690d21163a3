#!/usr/bin/env bash
# The sample product packed into one embedded setup.exe whose UNINST.EXE is an uninstaller
# made for it: uninst.exe linked with the sample's data (until zep pack writes it), in
# place of the sample's own UNINST.EX_. Also the files the user adds and edits later.
set -euo pipefail
zep=$ZEP_HOST_BUILD_DIR/tools/zep/zep
"$ZEP_HOST_BUILD_DIR/tests/uninstall/uninstall_test_data" "$ZEP_SETUP_DIR" "$ZEP_WORK/uninst.dat" 23944 2080
"$ZEP_WIN64_BUILD_DIR/link-uninst.sh" "$ZEP_WORK/uninst.dat" "$ZEP_WORK/UNINST.EXE"
"$zep" compress -r -o "$ZEP_SETUP_DIR" "$ZEP_WORK/UNINST.EXE" >/dev/null
"$zep" pack "$ZEP_SETUP_DIR" --embedded "$ZEP_WORK/SETUP.EXE" --stub "$ZEP_WIN64_BUILD_DIR/src/setup.exe" \
  --stamp "2026-12-08 01:01" >/dev/null
rm -rf "$ZEP_SETUP_DIR" && mkdir "$ZEP_SETUP_DIR"
mv "$ZEP_WORK/SETUP.EXE" "$ZEP_SETUP_DIR/"
printf 'my own notes\r\n' > "$ZEP_WORK/NOTES.TXT"
printf 'Read me, as the user edited it.\r\n' > "$ZEP_WORK/README.TXT"

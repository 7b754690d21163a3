#!/usr/bin/env bash
# The sample product packed into one embedded setup.exe; zep pack gives it its uninstaller
# (the script names an uninstall entry). Also the files the user adds and edits later.
set -euo pipefail
rm -rf "$ZEP_SETUP_DIR" && mkdir "$ZEP_SETUP_DIR"
"$(dirname "$0")/pack-sample.sh" --embedded "$ZEP_SETUP_DIR/SETUP.EXE" --stamp "2026-12-08 01:01"
printf 'my own notes\r\n' > "$ZEP_WORK/NOTES.TXT"
printf 'Read me, as the user edited it.\r\n' > "$ZEP_WORK/README.TXT"

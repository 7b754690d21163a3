# The same product in embedded mode: zep pack makes one setup.exe that carries the script,
# the help file (here stored plain) and every file as resources of type 256, from the
# folder prepare.sh laid out; nothing else lies beside it.
set -eu
printf 'Help for Many Files.\r\n' > "$ZEP_SETUP_DIR/MANY.HLP"
"$ZEP_HOST_BUILD_DIR/tools/zep/zep" pack "$ZEP_SETUP_DIR" --embedded "$ZEP_WORK/SETUP.EXE" \
  --stub "$ZEP_WIN64_BUILD_DIR/src/setup.exe" --stamp "2026-12-08 01:01" >/dev/null
rm -rf "$ZEP_SETUP_DIR" && mkdir "$ZEP_SETUP_DIR"
mv "$ZEP_WORK/SETUP.EXE" "$ZEP_SETUP_DIR/"

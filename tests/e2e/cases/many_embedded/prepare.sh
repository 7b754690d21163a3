# The same product in embedded mode: one setup.exe carries the script, the help file (here
# stored plain) and every file as resources of type 256; nothing else lies beside it.
set -eu
printf 'Help for Many Files.\r\n' > "$ZEP_SETUP_DIR/MANY.HLP"
"$ZEP_CASE_DIR/../../../../scripts/pack-embedded.sh" "$ZEP_SETUP_DIR" "$ZEP_WIN64_BUILD_DIR" "$ZEP_HOST_BUILD_DIR"

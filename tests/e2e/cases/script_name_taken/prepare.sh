# The sample product as one embedded-mode setup.exe.
set -eu
"$ZEP_CASE_DIR/../../../../scripts/pack-embedded.sh" "$ZEP_SETUP_DIR" "$ZEP_WIN64_BUILD_DIR" "$ZEP_HOST_BUILD_DIR"

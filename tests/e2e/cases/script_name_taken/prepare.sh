# The sample product as one embedded-mode setup.exe, made by zep pack from the product
# folder the sample's prepare.sh left.
set -eu
rm -rf "$ZEP_SETUP_DIR" && mkdir "$ZEP_SETUP_DIR"
"$ZEP_HOST_BUILD_DIR/tools/zep/zep" pack "$ZEP_WORK/product" --embedded "$ZEP_SETUP_DIR/SETUP.EXE" \
  --stub "$ZEP_WIN64_BUILD_DIR/src/setup.exe" --stamp "2026-12-08 01:01" >/dev/null

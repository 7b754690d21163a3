# The sample product as one embedded-mode setup.exe, made by zep pack from the product
# folder the sample's prepare.sh left.
set -eu
rm -rf "$ZEP_SETUP_DIR" && mkdir "$ZEP_SETUP_DIR"
"$ZEP_CASE_DIR/../../products/pack-sample.sh" --embedded "$ZEP_SETUP_DIR/SETUP.EXE" --stamp "2026-12-08 01:01"

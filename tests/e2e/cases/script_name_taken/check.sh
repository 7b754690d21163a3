set -eu
. "$ZEP_CASE_DIR/../../products/sample-checks.sh"
expect_same "$WINEPREFIX/drive_c/windows/INSTALL.INI" "$ZEP_CASE_DIR/other/INSTALL.INI"
expect_same "$WINEPREFIX/drive_c/SAMPLE/SAMPLE.EXE" "$ZEP_WORK/expected/SAMPLE.EXE"
finish "the other product's script is untouched; the sample installed from its own"

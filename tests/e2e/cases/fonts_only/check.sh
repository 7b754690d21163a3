set -eu
. "$ZEP_CASE_DIR/../../products/sample-checks.sh"
expect_font_value 'HKLM\Software\Microsoft\Windows\CurrentVersion\Fonts' SAMPLE.TTF
expect_same "$WINEPREFIX/drive_c/windows/Fonts/SAMPLE.TTF" "$ZEP_WORK/expected/SAMPLE.TTF"
finish "the font alone was installed"

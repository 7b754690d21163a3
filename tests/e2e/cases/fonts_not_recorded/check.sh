set -eu
. "$ZEP_CASE_DIR/../../products/sample-checks.sh"
expect_no_font_value 'HKLM\Software\Microsoft\Windows\CurrentVersion\Fonts'
finish "a cancelled first installation registers no font"

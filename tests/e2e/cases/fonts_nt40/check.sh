set -eu
. "$ZEP_CASE_DIR/../../products/sample-checks.sh"
expect_links "Sample Tool" "Read Me" "Sample Data for NT"
expect_no_link "Uninstall Sample Tool"
expect_font_value 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\Fonts' SAMPLE.TTF
expect_no_font_value 'HKLM\Software\Microsoft\Windows\CurrentVersion\Fonts'
finish "the NT items and the font under the NT key"

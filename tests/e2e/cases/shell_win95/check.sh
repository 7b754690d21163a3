# The group as Start Menu links, the old group gone, the font in the registry of Windows 95.
set -eu
. "$ZEP_CASE_DIR/../../products/sample-checks.sh"
expect_links "Sample Tool" "Read Me" "Uninstall Sample Tool"
expect_no_link "Sample Data for NT"
expect_no_group "Sample Tool 1.5"
expect_font_value 'HKLM\Software\Microsoft\Windows\CurrentVersion\Fonts' SAMPLE.TTF
expect_same "$WINEPREFIX/drive_c/windows/Fonts/SAMPLE.TTF" "$ZEP_WORK/expected/SAMPLE.TTF"
finish "the group, its links and the font are in place"

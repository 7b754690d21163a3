set -eu
. "$ZEP_CASE_DIR/../../products/sample-checks.sh"
ini=$(tr -d '\r' < "$WINEPREFIX/drive_c/windows/SAMPLE.INI")
[ "$ini" = $'[Settings]\nVersion=2.0\nDirectory=C:\\SAMPLE\nFirstTime=1' ] || fail "SAMPLE.INI is: $ini"
entry=$("$WINE" reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Sample Tool 2.0' 2>/dev/null | tr -d '\r')
echo "$entry" | grep -q 'UninstallString.*REG_SZ.*c:\\sample\\uninst.exe' || fail "UninstallString: $entry"
expect_links "Sample Tool" "Read Me" "Uninstall Sample Tool"
expect_font_value 'HKLM\Software\Microsoft\Windows\CurrentVersion\Fonts' SAMPLE.TTF
finish "the fonts-only installation kept the product's directory, uninstall entry and group"

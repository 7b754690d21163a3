set -eu
. "$ZEP_CASE_DIR/../../products/sample-checks.sh"
sys=$WINEPREFIX/drive_c/windows/system32
expect_same "$sys/SAMPLE.TTF" "$ZEP_WORK/expected/SAMPLE.TTF"
[ -s "$sys/SAMPLE.FOT" ] || fail "no SAMPLE.FOT in the system directory"
grep -qi '^Zep Sample (TrueType)=SAMPLE.FOT' "$WINEPREFIX/drive_c/windows/win.ini" ||
  fail "win.ini [fonts] does not name SAMPLE.FOT: $(grep -i -A3 '^\[fonts\]' "$WINEPREFIX/drive_c/windows/win.ini" | tr '\r\n' '  ')"
expect_no_font_value 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\Fonts'
expect_links "Sample Tool" "Read Me" "Sample Data for NT"
finish "SAMPLE.FOT made and named in win.ini; the group made"

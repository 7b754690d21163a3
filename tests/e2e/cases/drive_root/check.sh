set -eu
. "$ZEP_CASE_DIR/../../products/sample-checks.sh"
c=$WINEPREFIX/drive_c
expect_same "$c/SAMPLE.EXE" "$ZEP_WORK/expected/SAMPLE.EXE"
expect_same "$c/DATA/SAMPLE.DAT" "$ZEP_WORK/expected/DATA/SAMPLE.DAT"
ini=$(tr -d '\r' < "$c/windows/SAMPLE.INI")
[ "$ini" = $'[Settings]\nDirectory=C:\\\nVersion=2.0\nFirstTime=1' ] || fail "SAMPLE.INI is: $ini"
finish "installed at C:\\ again and recorded as C:\\"

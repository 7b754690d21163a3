# What landed: every file, the program started, the product INI and the uninstall entry.
set -euo pipefail
c=$WINEPREFIX/drive_c
fail=0
same() { cmp -s "$1" "$2" || { echo "FAIL: $1 differs from $2"; fail=1; }; }
same "$c/SAMPLE/SAMPLE.EXE" "$ZEP_WORK/expected/SAMPLE.EXE"
same "$c/SAMPLE/UNINST.EXE" "$ZEP_WORK/expected/UNINST.EXE"
same "$c/SAMPLE/DOC/README.TXT" "$ZEP_WORK/expected/DOC/README.TXT"
same "$c/SAMPLE/DATA/SAMPLE.DAT" "$ZEP_WORK/expected/DATA/SAMPLE.DAT"
[ -f "$c/SAMPLE/started.txt" ] || { echo "FAIL: Sample Tool did not start"; fail=1; }
grep -q "C:\\\\SAMPLE" "$c/SAMPLE/started.txt" 2>/dev/null || { echo "FAIL: Sample Tool started elsewhere"; fail=1; }
ini=$(cat "$c/windows/SAMPLE.INI" 2>/dev/null || true)
[ "$ini" = $'[Settings]\r\nVersion=2.0\r\nDirectory=C:\\SAMPLE\r\nFirstTime=1\r' ] || { echo "FAIL: SAMPLE.INI is: $ini"; fail=1; }
[ ! -f "$c/windows/SAMPLE.HLP" ] || { echo "FAIL: the help file was not deleted at exit"; fail=1; }
entry=$("$WINE" reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Sample Tool 2.0' 2>/dev/null | tr -d '\r')
echo "$entry" | grep -q 'DisplayName.*REG_SZ.*Sample Tool 2.0' || { echo "FAIL: no DisplayName: $entry"; fail=1; }
echo "$entry" | grep -q 'UninstallString.*REG_SZ.*c:\\sample\\uninst.exe' || { echo "FAIL: no UninstallString: $entry"; fail=1; }
[ $fail = 0 ] && echo "check: everything landed"
exit $fail

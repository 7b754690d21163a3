set -eu
c=$WINEPREFIX/drive_c
fail=0
for d in ELSEWHERE/TOOL/DATA ELSEWHERE/TOOL/DOC; do [ -d "$c/$d" ] || { echo "FAIL: no $d"; fail=1; }; done
cmp -s "$c/ELSEWHERE/TOOL/DATA/SAMPLE.DAT" "$ZEP_WORK/expected/DATA/SAMPLE.DAT" || { echo "FAIL: SAMPLE.DAT"; fail=1; }
[ ! -e "$c/ELSEWHERE/TOOL/started.txt" ] || { echo "FAIL: No started the program"; fail=1; }
ini=$(tr -d '\r' < "$c/windows/SAMPLE.INI")
[ "$ini" = $'[Settings]\nDirectory=C:\\ELSEWHERE\\TOOL\nVersion=2.0\nFirstTime=1' ] || { echo "FAIL: SAMPLE.INI is: $ini"; fail=1; }
[ $fail = 0 ] && echo "check: installed in C:\\ELSEWHERE\\TOOL with its subdirectories"
exit $fail

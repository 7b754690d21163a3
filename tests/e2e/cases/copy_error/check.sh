set -eu
c=$WINEPREFIX/drive_c
cmp "$c/SAMPLE/SAMPLE.EXE" "$ZEP_WORK/expected/SAMPLE.EXE"
[ -d "$c/SAMPLE/README.TXT" ]
[ ! -f "$c/windows/SAMPLE.INI" ]
echo "check: SAMPLE.EXE stays, README.TXT is still the directory, no product INI"

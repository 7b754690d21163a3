set -eu
cmp -s "$WINEPREFIX/drive_c/OLDSAMPLE/SAMPLE.EXE" "$ZEP_WORK/expected/SAMPLE.EXE" || { echo "FAIL: not upgraded"; exit 1; }
echo "check: the copy in C:\\OLDSAMPLE was upgraded"

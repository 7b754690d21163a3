set -eu
c=$WINEPREFIX/drive_c/SAMPLE
cmp -s "$c/DATA/SAMPLE.DAT" "$ZEP_WORK/expected/DATA/SAMPLE.DAT" || { echo "FAIL: SAMPLE.DAT"; exit 1; }
cmp -s "$c/UNINST.EXE" "$ZEP_WORK/expected/UNINST.EXE" || { echo "FAIL: UNINST.EXE"; exit 1; }
echo "check: both disks landed"

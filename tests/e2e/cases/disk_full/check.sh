set -eu
cmp "$ZEP_DRIVE_DIR/SAMPLE/BIG.DAT" "$ZEP_WORK/expected/BIG.DAT"
echo "check: BIG.DAT landed whole after the retry"

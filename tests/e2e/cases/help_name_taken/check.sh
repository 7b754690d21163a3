set -eu
. "$ZEP_CASE_DIR/../../products/sample-checks.sh"
expect_same "$WINEPREFIX/drive_c/windows/SAMPLE.HLP" "$ZEP_CASE_DIR/theirs/SAMPLE.HLP"
expect_same "$ZEP_WORK/placed.hlp" "$ZEP_WORK/expected/SAMPLE.HLP"
finish "the other program's SAMPLE.HLP is untouched; setup's own help file came and went beside it"

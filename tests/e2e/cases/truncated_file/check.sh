set -eu
. "$ZEP_CASE_DIR/../../products/sample-checks.sh"
expect_same "$WINEPREFIX/drive_c/SAMPLE/SAMPLE.EXE" "$ZEP_WORK/expected/SAMPLE.EXE"
finish "the cut file was refused and the good copy installed on Retry"

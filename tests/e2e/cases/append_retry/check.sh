set -eu
. "$ZEP_CASE_DIR/../../products/sample-checks.sh"
expect_same "$WINEPREFIX/drive_c/LOGTOOL/LOG.TXT" "$ZEP_WORK/expected/LOG.TXT"
finish "the log holds the person's text, then each part once"

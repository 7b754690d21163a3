set -eu
. "$ZEP_CASE_DIR/../../products/sample-checks.sh"
expect_same "$WINEPREFIX/drive_c/LOGTOOL/LOG.TXT" "$ZEP_WORK/pre/LOG.TXT"
finish "the person's log holds what it held before the installation"

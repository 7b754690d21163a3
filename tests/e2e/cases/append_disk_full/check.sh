set -eu
cmp "$ZEP_DRIVE_DIR/LOGTOOL/LOG.TXT" "$ZEP_WORK/expected/LOG.TXT"
echo "check: the log holds the person's text, then each part once"

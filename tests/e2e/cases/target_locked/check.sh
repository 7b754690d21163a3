set -eu
. "$ZEP_CASE_DIR/../../products/sample-checks.sh"
c=$WINEPREFIX/drive_c
expect_same "$c/SAMPLE/SAMPLE.EXE" "$ZEP_WORK/expected/SAMPLE.EXE"
expect_same "$c/SAMPLE/DOC/README.TXT" "$ZEP_WORK/expected/DOC/README.TXT"
expect_same "$c/SAMPLE/DATA/SAMPLE.DAT" "$ZEP_WORK/expected/DATA/SAMPLE.DAT"
expect_same "$c/SAMPLE/DOC/NOTES.TXT" "$ZEP_WORK/pre/NOTES.TXT"
# Wine keeps the read-only attribute as a file without write permission.
[ "$(stat -c %A "$c/SAMPLE/DOC/NOTES.TXT" | cut -c3)" = - ] || fail "the notes are no longer read-only"
finish "the read-only program was replaced, the held readme installed on Retry, the notes kept"

set -eu
. "$ZEP_CASE_DIR/../../products/sample-checks.sh"
c=$WINEPREFIX/drive_c
expect_same "$c/SAMPLE/SAMPLE.EXE" "$ZEP_WORK/expected/SAMPLE.EXE"
expect_same "$c/SAMPLE/DOC/README.TXT" "$ZEP_WORK/expected/DOC/README.TXT"
expect_same "$c/windows/Fonts/SAMPLE.TTF" "$ZEP_WORK/expected/SAMPLE.TTF"
expect_same "$c/SAMPLE/UNINST.EXE" "$ZEP_WORK/expected/UNINST.EXE"
expect_same "$c/SAMPLE/DATA/SAMPLE.DAT" "$ZEP_WORK/expected/DATA/SAMPLE.DAT"
finish "every file landed after it was put back"

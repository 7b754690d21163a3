set -eu
. "$ZEP_CASE_DIR/../../products/sample-checks.sh"
c=$WINEPREFIX/drive_c/OLDSAMPLE
expect_same "$c/SAMPLE.EXE" "$ZEP_WORK/expected/SAMPLE.EXE"
expect_same "$c/DATA/SAMPLE.DAT" "$ZEP_WORK/expected/DATA/SAMPLE.DAT"
expect_same "$c/DOC/README.TXT" "$ZEP_WORK/expected/DOC/README.TXT"
expect_no_group "Sample Tool 1.5"
expect_links "Sample Tool" "Read Me"
finish "the upgrade made its folders and replaced version 1.5's group"

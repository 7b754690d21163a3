set -eu
. "$ZEP_CASE_DIR/../../products/sample-checks.sh"
c=$WINEPREFIX/drive_c/SETUP/MYAPP
expect_same "$c/DATA/SAMPLE.DAT" "$ZEP_WORK/expected/DATA/SAMPLE.DAT"
expect_same "$c/DOC/README.TXT" "$ZEP_WORK/expected/DOC/README.TXT"
finish "MYAPP became C:\\SETUP\\MYAPP with its subdirectories"

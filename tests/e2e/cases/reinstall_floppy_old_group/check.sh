set -eu
. "$ZEP_CASE_DIR/../../products/sample-checks.sh"
expect_same "$WINEPREFIX/drive_c/OLDSAMPLE/UNINST.EXE" "$ZEP_WORK/expected/UNINST.EXE"
expect_no_group "Sample Tool 1.5"
expect_links "Sample Tool" "Read Me" "Uninstall Sample Tool"
finish "version 1.5's group went, although disk 2 came from another folder"

# uninst.exe as the build makes it, without the data zep pack gives it.
set -eu
cp "$ZEP_WIN64_BUILD_DIR/src/uninst.exe" "$ZEP_SETUP_DIR/UNINST.EXE"

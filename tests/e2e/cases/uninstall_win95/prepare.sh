# The sample with an uninstaller made for it, in one embedded setup.exe.
set -eu
"$ZEP_CASE_DIR/../../products/sample-uninstaller.sh"

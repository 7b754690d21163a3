set -eu
bash "$ZEP_CASE_DIR/../../products/many/check-landed.sh" embedded
# The script extracted into the Windows directory is gone again.
[ ! -e "$WINEPREFIX/drive_c/windows/INSTALL.INI" ] || { echo "FAIL: INSTALL.INI left behind"; exit 1; }

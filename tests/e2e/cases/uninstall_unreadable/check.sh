# Nothing beside it was touched, itself included.
set -eu
c=$WINEPREFIX/drive_c
[ -f "$c/SETUP/SETUP.EXE" ] && [ -f "$c/SETUP/UNINST.EXE" ] || { echo "FAIL: C:\\SETUP lost a file"; exit 1; }
[ ! -e "$c/windows/WININIT.INI" ] || { echo "FAIL: a WININIT.INI was written"; exit 1; }
echo "check: nothing was removed"

# Where the sample product landed in the Wine prefix.
set -eu
c=$WINEPREFIX/drive_c
echo
echo "Installed in C:\\SAMPLE:"
(cd "$c/SAMPLE" && find . -type f | sort | sed 's|^\./|  |')
echo "C:\\WINDOWS\\SAMPLE.INI:"
sed 's/^/  /' "$c/windows/SAMPLE.INI"
echo "Uninstall entry:"
"$WINE" reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Sample Tool 2.0' 2>/dev/null | tr -d '\r' | grep REG_ | sed 's/^ */  /'
cmp -s "$c/SAMPLE/DATA/SAMPLE.DAT" "$ZEP_WORK/expected/DATA/SAMPLE.DAT"

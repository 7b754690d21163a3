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
echo "Program group (Start Menu folder):"
find "$c/users" "$c/ProgramData" -type d -path "*/Start Menu/Programs/Sample Tool" 2>/dev/null | head -1 |
  while read -r dir; do (cd "$dir" && ls | sed 's/^/  /'); done
echo "Font:"
echo "  C:\\WINDOWS\\FONTS\\$(ls "$c/windows/Fonts" | grep -i sample)"
"$WINE" reg query 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\Fonts' /v 'Zep Sample (TrueType)' 2>/dev/null |
  tr -d '\r' | grep REG_ | sed 's/^ */  /'
cmp -s "$c/SAMPLE/DATA/SAMPLE.DAT" "$ZEP_WORK/expected/DATA/SAMPLE.DAT"

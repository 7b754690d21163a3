# Windows 95 deletes the uninstaller at its next start from the [rename] list of
# WININIT.INI; it cannot remove a folder, so the empty C:\SAMPLE stays.
set -eu
edited=0
. "$ZEP_CASE_DIR/../../products/sample-uninstall-check.sh"
wininit=$(tr -d '\r' < "$c/windows/WININIT.INI" 2>/dev/null || true)
echo "$wininit" | grep -qix 'NUL=c:\\sample\\uninst.exe' || fail "WININIT.INI holds: $wininit"
timeout 120 "$WINE" wineboot -r >/dev/null 2>&1 || fail "the restart did not end"
[ -d "$c/SAMPLE" ] && [ -z "$(ls -A "$c/SAMPLE")" ] || fail "C:\\SAMPLE is not the empty folder: $(ls -A "$c/SAMPLE" 2>&1)"
finish "the product is gone, and uninst.exe went at the restart"

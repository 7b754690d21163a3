# Windows NT deletes the uninstaller at its next start, as MoveFileEx was asked, and its
# folder with it only when nothing else is left in it: here the user's notes are.
set -eu
edited=1
. "$ZEP_CASE_DIR/../../products/sample-uninstall-check.sh"
pending=$("$WINE" reg query 'HKLM\System\CurrentControlSet\Control\Session Manager' /v PendingFileRenameOperations 2>/dev/null | tr -d '\r')
echo "$pending" | grep -qi 'sample\\uninst.exe' || fail "no delete of uninst.exe waits for the restart: $pending"
timeout 120 "$WINE" wineboot -r >/dev/null 2>&1 || fail "the restart did not end"
[ ! -e "$c/SAMPLE/UNINST.EXE" ] || fail "uninst.exe is still there after a restart"
[ -f "$c/SAMPLE/DOC/NOTES.TXT" ] || fail "the user's notes went at the restart"
finish "the product is gone but for the user's files, and uninst.exe went at the restart"

# Removes the sample as a person would, with the program the uninstall entry names: Yes,
# then OK on the last dialog. Then checks what went and what stayed. Sourced by a case's
# check.sh after the installation; with edited=1 the user had added NOTES.TXT to DOC and
# edited DOC\README.TXT, which must stay and be listed.
set -eu
. "$(dirname "${BASH_SOURCE[0]}")/sample-checks.sh"
c=$WINEPREFIX/drive_c
entry='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Sample Tool 2.0'
command=$("$WINE" reg query "$entry" /v UninstallString 2>/dev/null | tr -d '\r' | sed -n 's/.*REG_SZ *//p')
[ "$command" = 'c:\sample\uninst.exe' ] || fail "the uninstall entry names \"$command\""
[ -n "$(group_dir "Sample Tool")" ] || fail "no Start Menu folder Sample Tool before the uninstallation"

steps=$ZEP_WORK/uninstall-steps.txt
{
  printf 'let WORK Z:%s\n' "$(printf '%s' "$ZEP_WORK" | tr / '\\')"
  printf 'let UNINSTALL %s\n' "$command"
  cat <<'STEPS'
start uninst $UNINSTALL
wait-dialog 3100
expect-text 1001 Remove Sample Tool 2.0 and all of its components?
shot $WORK\3100.bmp
click 1
STEPS
  if [ "$edited" = 1 ]; then
    printf '%s\n' 'wait-dialog 3300 30000' \
      'expect-contains 3301 DOC\README.TXT: changed since it was installed' \
      'expect-contains 3301 DOC: not empty' 'shot $WORK\3300.bmp'
  else
    printf '%s\n' 'wait-dialog 3200 30000' \
      'expect-text 1001 Sample Tool 2.0 has been removed from your computer.' 'shot $WORK\3200.bmp'
  fi
  printf '%s\n' 'click 1' 'wait-exit uninst' 'expect-exit uninst 0' 'sleep 1500'
} > "$steps"
"$WINE" "$ZEP_WORK/driver.exe" "Z:$(printf '%s' "$steps" | tr / '\\')" || fail "the uninstallation did not go as a person expects"

for f in SAMPLE.EXE DATA/SAMPLE.DAT; do [ ! -e "$c/SAMPLE/$f" ] || fail "$f is still there"; done
[ ! -e "$c/SAMPLE/DATA" ] || fail "the folder DATA is still there"
[ ! -e "$c/windows/SAMPLE.INI" ] || fail "SAMPLE.INI is still there"
"$WINE" reg query "$entry" >/dev/null 2>&1 && fail "the uninstall entry is still there"
expect_no_group "Sample Tool"
if [ "$edited" = 1 ]; then
  expect_same "$c/SAMPLE/DOC/NOTES.TXT" "$ZEP_WORK/NOTES.TXT"
  expect_same "$c/SAMPLE/DOC/README.TXT" "$ZEP_WORK/README.TXT"
else
  [ ! -e "$c/SAMPLE/DOC" ] || fail "the folder DOC is still there"
fi
[ -f "$c/windows/Fonts/SAMPLE.TTF" ] || fail "the font went with the product"
[ -f "$c/SAMPLE/UNINST.EXE" ] || fail "the running uninstaller is gone before a restart"

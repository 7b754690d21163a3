# Every file of the sample product landed byte for byte with the time it had on its disk,
# for the check.sh of a case whose disks zep pack made. The case's prepare.sh dated the
# product's files 2026-11-01 10:00:00 and one of them ($1, newer than the stamp) later;
# zep pack gave that one the stamp, 2026-12-08 01:01:00, and the others kept their date.
# The uninstaller zep pack made has the stamp too.
#   sample-landed.sh NEWER_FILE     (as installed, below C:\)
set -eu
c=$WINEPREFIX/drive_c
older=$(date -d '2026-11-01 10:00:00' +%s)
stamp=$(date -d '2026-12-08 01:01:00' +%s)
fail=0
for pair in SAMPLE/SAMPLE.EXE:SAMPLE.EXE SAMPLE/UNINST.EXE:UNINST.EXE SAMPLE/DOC/README.TXT:DOC/README.TXT \
            SAMPLE/DATA/SAMPLE.DAT:DATA/SAMPLE.DAT windows/Fonts/SAMPLE.TTF:SAMPLE.TTF; do
  installed=${pair%%:*} original=${pair#*:}
  cmp -s "$c/$installed" "$ZEP_WORK/expected/$original" || { echo "FAIL: $installed differs from $original"; fail=1; }
  want=$older
  if [ "$installed" = "$1" ] || [ "$installed" = SAMPLE/UNINST.EXE ]; then want=$stamp; fi
  got=$(stat -c %Y "$c/$installed" 2>/dev/null || echo none)
  [ "$got" = "$want" ] || { echo "FAIL: $installed has time $got, expected $want"; fail=1; }
done
[ $fail = 0 ] && echo "check: every file landed with its time"
exit $fail

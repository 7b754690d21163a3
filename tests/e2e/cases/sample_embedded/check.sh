# Everything landed as from disks, stamped with the installer's date and time; the only
# file beside setup.exe was setup.exe.
set -eu
bash "$ZEP_CASE_DIR/../install_new/check.sh"
c=$WINEPREFIX/drive_c
[ "$(ls "$c/SETUP")" = SETUP.EXE ] || { echo "FAIL: more than SETUP.EXE in C:\\SETUP"; exit 1; }
stamp=$(date -d '2026-12-08 01:01:00' +%s)
for f in SAMPLE/SAMPLE.EXE SAMPLE/UNINST.EXE SAMPLE/DOC/README.TXT SAMPLE/DATA/SAMPLE.DAT windows/Fonts/SAMPLE.TTF; do
  [ "$(stat -c %Y "$c/$f")" = "$stamp" ] || { echo "FAIL: $f is not stamped"; exit 1; }
done
cmp -s "$c/windows/Fonts/SAMPLE.TTF" "$ZEP_WORK/expected/SAMPLE.TTF" || { echo "FAIL: SAMPLE.TTF"; exit 1; }
echo "check: embedded files carry the stamp"

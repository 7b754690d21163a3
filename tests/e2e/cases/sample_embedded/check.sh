# Everything landed as from disks, stamped with the installer's date and time; the only
# file beside setup.exe was setup.exe.
set -eu
bash "$ZEP_CASE_DIR/../install_new/check.sh"
c=$WINEPREFIX/drive_c
[ "$(ls "$c/SETUP")" = SETUP.EXE ] || { echo "FAIL: more than SETUP.EXE in C:\\SETUP"; exit 1; }
stamp=$(date -d '2026-12-08 01:01:00' +%s)
for f in SAMPLE.EXE DOC/README.TXT DATA/SAMPLE.DAT; do
  [ "$(stat -c %Y "$c/SAMPLE/$f")" = "$stamp" ] || { echo "FAIL: $f is not stamped"; exit 1; }
done
echo "check: embedded files carry the stamp"

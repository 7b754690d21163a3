# Every file of the many-files product landed byte for byte in C:\MANY, with the time
# stamps it should have: its source's (disk mode) or the installer's stamp (embedded).
#   check-landed.sh disk|embedded
set -euo pipefail
mode=$1
target=$WINEPREFIX/drive_c/MANY
fail=0 files=0
stamp=$(date -d '2026-12-08 01:01:00' +%s)
cd "$ZEP_WORK/expected"
for f in */*; do
  files=$((files + 1))
  if ! cmp -s "$f" "$target/$f"; then echo "FAIL: $f did not land intact"; fail=1; continue; fi
  got=$(stat -c %Y "$target/$f")
  if [ "$mode" = embedded ]; then want=$stamp; else
    name=$(basename "$f"); src=$WINEPREFIX/drive_c/SETUP/${name%?}_
    [ "$name" = JOINED.BIN ] && src=$WINEPREFIX/drive_c/SETUP/JOINED.3
    want=$(stat -c %Y "$src")
  fi
  [ "$got" = "$want" ] || { echo "FAIL: $f has time $got, expected $want"; fail=1; }
done
[ $fail = 0 ] && echo "check: all $files files landed with their time stamps"
exit $fail

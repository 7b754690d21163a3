# The files before the missing one landed whole, none after it; the product INI was not written.
set -eu
target=$WINEPREFIX/drive_c/MANY
landed=0 fail=0
cd "$ZEP_WORK/expected"
for f in */*; do
  n=$(basename "$f" .DAT); n=${n#F}
  if [ "$n" != JOINED.BIN ] && [ $((10#$n)) -lt 100 ]; then
    if cmp -s "$f" "$target/$f"; then landed=$((landed + 1)); else echo "FAIL: $f did not land whole"; fail=1; fi
  elif [ -e "$target/$f" ]; then
    echo "FAIL: $f landed after the Cancel"; fail=1
  fi
done
[ ! -e "$WINEPREFIX/drive_c/windows/MANY.INI" ] || { echo "FAIL: MANY.INI was written"; fail=1; }
[ $fail = 0 ] && echo "check: the $landed files before the Cancel landed whole, none after it"
exit $fail

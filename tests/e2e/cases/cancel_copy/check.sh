# Some files landed whole, the rest not at all; the product INI was not written.
set -eu
target=$WINEPREFIX/drive_c/MANY
landed=0 missing=0 fail=0
cd "$ZEP_WORK/expected"
for f in */*; do
  if [ -e "$target/$f" ]; then
    if cmp -s "$f" "$target/$f"; then landed=$((landed + 1)); else echo "FAIL: $f is incomplete"; fail=1; fi
  else
    missing=$((missing + 1))
  fi
done
[ $missing -gt 0 ] || { echo "FAIL: every file landed: the cancel came too late"; fail=1; }
[ ! -e "$WINEPREFIX/drive_c/windows/MANY.INI" ] || { echo "FAIL: MANY.INI was written"; fail=1; }
[ $fail = 0 ] && echo "check: $landed files landed whole, $missing were not copied"
exit $fail

# The files up to the one being copied at the click landed whole, none after it; the
# product INI was not written. Files 1 to 99 were copied before the copy waited for file
# 100; whether 100 itself landed depends on whether the Cancel was noticed before or after
# its retry, which the queue decides (a busy machine takes longer to get there).
set -eu
target=$WINEPREFIX/drive_c/MANY
landed=0 last=0 fail=0
cd "$ZEP_WORK/expected"
for f in */F*.DAT; do
  n=$(basename "$f" .DAT); n=$((10#${n#F}))
  if [ -e "$target/$f" ]; then
    cmp -s "$f" "$target/$f" || { echo "FAIL: $f did not land whole"; fail=1; }
    landed=$((landed + 1)); [ $n -gt $last ] && last=$n
  elif [ $n -le 99 ]; then
    echo "FAIL: $f did not land although the copy had passed it"; fail=1
  fi
done
[ $landed = $last ] || { echo "FAIL: $landed files landed, not the first $last"; fail=1; }
[ $last -lt 300 ] || { echo "FAIL: every file landed: the Cancel came too late"; fail=1; }
[ ! -e "$target/LARGE/JOINED.BIN" ] || { echo "FAIL: JOINED.BIN landed after the Cancel"; fail=1; }
[ ! -e "$WINEPREFIX/drive_c/windows/MANY.INI" ] || { echo "FAIL: MANY.INI was written"; fail=1; }
[ $fail = 0 ] && echo "check: files 1 to $last landed whole, none after the Cancel"
exit $fail

#!/usr/bin/env bash
# Install throughput of a few thousand files and a few hundred MB: through the simulated
# platform and through setup.exe under Wine, each next to a plain copy of the same files
# made in the same run. Run after scripts/build.sh:
#   bench/install/run.sh [FILES] [LARGEST_BYTES]
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$PWD
work=$root/build/bench-install
rm -rf "$work" && mkdir -p "$work/product"
export ZEP_WORK=$work ZEP_SETUP_DIR=$work/product ZEP_HOST_BUILD_DIR=$root/build/host ZEP_WIN64_BUILD_DIR=$root/build/win64
export MANY_FILES=${1:-3000} MANY_LARGEST=${2:-1200000}
echo "making the product ..."
tests/e2e/products/many/prepare.sh
printf 'Help for Many Files.\r\n' > "$work/product/MANY.HLP"
# The installer as its author makes it: setup.exe beside every disk's files.
build/host/tools/zep/zep pack "$work/product" --flat "$work/setup" --stub build/win64/src/setup.exe >/dev/null

echo
build/host/bench/install/bench_install "$work/setup" "$work/expected" "$work/scratch"

# Under Wine: the same product, timed by the driver from Begin to the completion dialog,
# between two runs of the bare LZ32 loop over the same stored files in the same prefix;
# the plain copy is cp of the expanded files on the same disk, in the same run.
case_dir=$work/case
mkdir -p "$case_dir"
cat > "$case_dir/steps.txt" <<'STEPS'
start loop1 C:\SETUP\LZLOOP.EXE C:\SETUP
wait-exit loop1 600000
start setup $SETUP
wait-dialog 2400
stopwatch start
click 1
wait-dialog 2201 600000
stopwatch install
click 1
wait-exit setup
start loop2 C:\SETUP\LZLOOP.EXE C:\SETUP
wait-exit loop2 600000
STEPS
cat > "$case_dir/check.sh" <<'CHECK'
cat "$WINEPREFIX/drive_c/SETUP/LZLOOP.TXT"
CHECK
start=$(date +%s%N)
cp -r "$work/expected" "$work/copy"
sync
copy_ns=$(( $(date +%s%N) - start ))
rm -rf "$work/copy"
cp "$work/setup/"* "$case_dir/"  # run-case.sh puts the case's files beside setup.exe
cp "$root/build/win64/bench/install/lz32_loop/lz32_loop.exe" "$case_dir/LZLOOP.EXE"
log=$(tests/e2e/run-case.sh "$case_dir" "$work/wine" "$root/build/win64" "$root/build/host" 2>&1 | tr -d '\r' |
      grep -a -e stopwatch -e 'lz32 loop' || true)  # the loop writes its lines the Windows way
ms=$(echo "$log" | sed -n 's/.*install: \([0-9]*\) ms.*/\1/p')
loops=$(echo "$log" | sed -n 's/^lz32 loop: [0-9]* files, \([0-9]*\) bytes, \([0-9]*\) ms$/\1 \2/p' | tr '\n' ' ')
mb=$(du -sb "$work/expected" | cut -f1)
if [ -n "$ms" ]; then
  awk -v b="$mb" -v ms="$ms" -v ns="$copy_ns" -v loops="$loops" 'BEGIN {
    copy = b / 1e6 / (ns / 1e9); wine = b / 1e6 / (ms / 1000);
    printf "plain copy (cp) on this disk         %8.1f MB/s\n", copy;
    n = split(loops, l, " ");
    for (i = 1; i + 1 <= n; i += 2) {
      lz[++k] = l[i] / 1e6 / (l[i + 1] / 1000);
      printf "bare LZ32 loop under Wine, run %d    %8.1f MB/s  (%.1f s)\n", k, lz[k], l[i + 1] / 1000;
    }
    printf "setup.exe under Wine                 %8.1f MB/s  (%.1f s, %.2f of the copy)\n", wine, ms / 1000, wine / copy;
    if (k > 0) {
      best = lz[1]; for (i = 2; i <= k; ++i) if (lz[i] > best) best = lz[i];
      printf "setup.exe / the faster LZ32 loop     %8.2f       (target: 0.80 or more: %s)\n",
             wine / best, (wine / best >= 0.8) ? "met" : "missed";
    } else {
      print "bare LZ32 loop: no timing";
    }
  }'
else
  echo "setup.exe under Wine: no timing (see $work/wine/driver.log)"
fi

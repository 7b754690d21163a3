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

# Under Wine: the same product, timed by the driver from Begin to the completion dialog;
# the plain copy is cp of the expanded files on the same disk, in the same run.
case_dir=$work/case
mkdir -p "$case_dir"
cat > "$case_dir/steps.txt" <<'STEPS'
start setup $SETUP
wait-dialog 2400
stopwatch start
click 1
wait-dialog 2201 600000
stopwatch install
click 1
wait-exit setup
STEPS
start=$(date +%s%N)
cp -r "$work/expected" "$work/copy"
sync
copy_ns=$(( $(date +%s%N) - start ))
rm -rf "$work/copy"
cp "$work/setup/"* "$case_dir/"  # run-case.sh puts the case's files beside setup.exe
log=$(tests/e2e/run-case.sh "$case_dir" "$work/wine" "$root/build/win64" "$root/build/host" 2>&1 | grep -a stopwatch || true)
ms=$(echo "$log" | sed -n 's/.*install: \([0-9]*\) ms.*/\1/p')
mb=$(du -sb "$work/expected" | cut -f1)
if [ -n "$ms" ]; then
  awk -v b="$mb" -v ms="$ms" -v ns="$copy_ns" 'BEGIN {
    copy = b / 1e6 / (ns / 1e9); wine = b / 1e6 / (ms / 1000);
    printf "plain copy (cp) on this disk         %8.1f MB/s\n", copy;
    printf "setup.exe under Wine                 %8.1f MB/s  (%.2f of the copy)\n", wine, wine / copy }'
else
  echo "setup.exe under Wine: no timing (see $work/wine/driver.log)"
fi

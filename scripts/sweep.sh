#!/usr/bin/env bash
# The whole sweep: every platform call of complete installations of the sample product
# (two disks, Append parts, fonts, a group, an exit list and a delete list; from a floppy
# and embedded; fresh, reinstall and upgrade; Windows 95 and NT 4) made to fail in turn,
# once and from then on, with the invariants checked after each run. Two processes share
# the scenarios; the figures of both and their sum are printed.
#
#   scripts/sweep.sh [BUILD_DIR]     default build/host; build/asan for the sanitizers
#
# ZEP_SWEEP_SCENARIO limits it to scenarios whose name holds that text. Exit status 0
# when no invariant broke.
set -uo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/host}
binary="$build/tests/sweep/sweep_tests"
[ -x "$binary" ] || { echo "sweep.sh: $binary is missing: build it first (cmake --build $build --target sweep_tests)" >&2; exit 2; }
[ -d /dev/shm ] && export TMPDIR=${TMPDIR:-/dev/shm}
log=$(mktemp -d)
trap 'rm -rf "$log"' EXIT
start=$(date +%s)
for shard in 0 1; do
  ZEP_SWEEP=full ZEP_SWEEP_SHARD=$shard/2 "$binary" --gtest_filter='Sweep.*' > "$log/$shard.txt" 2>&1 &
done
status=0
wait %1 || status=1
wait %2 || status=1
cat "$log/0.txt" "$log/1.txt" | grep -a -E '^(BREAK|  |scenario )' || true
# "sweep (every call): scenarios S, calls C, calls swept W, runs R, invariant breaks B"
awk '/^sweep \(/ { s += $5; c += $7; w += $10; r += $12; b += $15; n++ }
     END { if (n != 2) exit 1
           printf "sweep (every call): scenarios %d, calls %d, calls swept %d, runs %d, invariant breaks %d\n", s, c, w, r, b }' \
  "$log/0.txt" "$log/1.txt" || { echo "sweep.sh: a part of the sweep gave no figures"; status=1; }
echo "time: $(( $(date +%s) - start )) s"
exit $status

#!/usr/bin/env bash
# Runs every fuzzer for a long time under AddressSanitizer and UndefinedBehaviorSanitizer,
# at most two at once, each from its committed seeds (tests/fuzz/corpus/NAME, read only:
# what a run finds is kept in BUILD_DIR/fuzz-long/NAME), and prints one line per fuzzer:
# seconds, executions, coverage (libFuzzer's cov and ft), corpus size and what it found.
#
#   scripts/fuzz.sh [SECONDS] [BUILD_DIR]     default 3600 seconds each, build/asan
#
# BUILD_DIR must be configured with CC=clang CXX=clang++ -DZEP_SANITIZE=ON -DZEP_FUZZ=ON
# (see scripts/test.sh); the fuzzers are built here. ZEP_FUZZERS="NAME..." runs only
# those. Exit status 0 when nothing was found.
set -uo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-3600}
build=${2:-build/asan}
fuzzers=(profile_fuzzer loader_fuzzer szdd_expand_fuzzer pe_fuzzer help_source_fuzzer help_file_fuzzer
         uninstall_data_fuzzer)
if [ -n "${ZEP_FUZZERS:-}" ]; then read -r -a fuzzers <<< "$ZEP_FUZZERS"; fi
[ -f "$build/CMakeCache.txt" ] || { echo "fuzz.sh: $build is not configured (see scripts/test.sh)" >&2; exit 2; }
cmake --build "$build" -j 2 --target "${fuzzers[@]}" >/dev/null || { echo "fuzz.sh: the fuzzers do not build" >&2; exit 2; }
work="$build/fuzz-long"
mkdir -p "$work"

run() {  # run NAME: one fuzzer, its summary line in $work/NAME.summary
  local name=$1 bin corpus found log
  bin=$(find "$build/tests/fuzz" -maxdepth 1 -type f -name "$name" | head -1)
  corpus="$work/$name/corpus"
  found="$work/$name/found"
  log="$work/$name/log.txt"
  mkdir -p "$corpus" "$found"
  local start status
  start=$(date +%s)
  "$bin" -max_total_time="$seconds" -print_final_stats=1 -artifact_prefix="$found/" "$corpus" \
    "tests/fuzz/corpus/$name" > "$log" 2>&1
  status=$?
  local done_line execs
  done_line=$(grep -a -E '^#[0-9]+[[:space:]]+DONE' "$log" | tail -1)
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  printf '%-22s %6ss  executions %-10s %s  found %s (exit %s)\n' "$name" "$(( $(date +%s) - start ))" \
    "${execs:-?}" "$(printf '%s' "$done_line" | grep -o -E 'cov: [0-9]+ ft: [0-9]+ corp: [0-9]+' || echo 'no stats')" \
    "$(find "$found" -type f | wc -l)" "$status" > "$work/$name.summary"
}

echo "fuzzing each fuzzer for $seconds s, two at once"
running=0
for name in "${fuzzers[@]}"; do
  run "$name" &
  running=$((running + 1))
  if [ "$running" -ge 2 ]; then wait -n; running=$((running - 1)); fi
done
wait
failed=0
for name in "${fuzzers[@]}"; do
  cat "$work/$name.summary"
  grep -q 'found 0 (exit 0)' "$work/$name.summary" || failed=1
done
exit $failed

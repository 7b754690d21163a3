#!/usr/bin/env bash
# Runs every test: unit and scenario tests on the host, the same under AddressSanitizer
# and UndefinedBehaviorSanitizer, the fuzzers for a bounded time, the peer checks and the
# end-to-end tests of the real setup.exe under Wine. Every stage runs even when an earlier
# one failed; the summary at the end names each stage's result, and the exit status is
# non-zero when any failed.
set -uo pipefail
cd "$(dirname "$0")/.."
jobs=${ZEP_JOBS:-2}
results=()
failed=0
stage() {  # stage NAME COMMAND...
  local name=$1 status=0
  shift
  echo "== $name"
  "$@" || status=$?
  if [ "$status" = 0 ]; then results+=("passed  $name"); else results+=("FAILED  $name (exit $status)"); failed=1; fi
}
sanitizers() {
  CC=clang CXX=clang++ cmake -S . -B build/asan -DZEP_SANITIZE=ON -DZEP_FUZZ=ON \
    -DZEP_WIN64_BUILD_DIR="$PWD/build/win64" -DZEP_WIN32_BUILD_DIR="$PWD/build/win32" >/dev/null &&
  cmake --build build/asan -j "$jobs" &&
  ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --test-dir build/asan --output-on-failure -j "$jobs" -LE "e2e|wine|peers"
}
# Each documented target builds on its own from a fresh folder, as an author builds zep.
alone() {
  local dir=build/alone status=0
  rm -rf "$dir"
  cmake -S . -B "$dir" -DZEP_WIN32_BUILD_DIR="$PWD/build/win32" >/dev/null &&
  cmake --build "$dir" -j "$jobs" --target zep >/dev/null &&
  "$dir/tools/zep/zep" --help >/dev/null || status=$?
  rm -rf "$dir"
  return "$status"
}

stage "packages" scripts/install-deps.sh
stage "build (host, win32, win64)" scripts/build.sh
stage "zep alone in a fresh build folder" alone
stage "host tests, peers and end-to-end under Wine" \
  env ZEP_E2E_REQUIRED=1 ctest --test-dir build/host --output-on-failure -j "$jobs"
stage "host tests under ASan and UBSan, fuzzers" sanitizers

echo
echo "== summary"
printf '  %s\n' "${results[@]}"
exit "$failed"

#!/usr/bin/env bash
# Runs every test: unit and scenario tests on the host, the same under AddressSanitizer
# and UndefinedBehaviorSanitizer, the fuzzers for a bounded time, the peer checks and the
# end-to-end tests of the real setup.exe under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=${ZEP_JOBS:-2}
scripts/install-deps.sh
scripts/build.sh

echo "== host tests, peers and end-to-end under Wine"
ZEP_E2E_REQUIRED=1 ctest --test-dir build/host --output-on-failure -j "$jobs"

echo "== host tests under ASan and UBSan, fuzzers"
CC=clang CXX=clang++ cmake -S . -B build/asan -DZEP_SANITIZE=ON -DZEP_FUZZ=ON \
  -DZEP_WIN64_BUILD_DIR="$PWD/build/win64" >/dev/null
cmake --build build/asan -j "$jobs"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build/asan --output-on-failure -j "$jobs" -LE "e2e|wine|peers"

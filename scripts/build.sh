#!/usr/bin/env bash
# Builds the three builds: build/host (tools, simulated platform, tests), build/win32
# (setup.exe for 32-bit Windows, the product) and build/win64 (setup.exe run under Wine).
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=${ZEP_JOBS:-2}
cmake -S . -B build/win64 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/win64 -j "$jobs"
cmake -S . -B build/win32 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/win32 -j "$jobs"
cmake -S . -B build/host -DZEP_WIN64_BUILD_DIR="$PWD/build/win64" -DZEP_WIN32_BUILD_DIR="$PWD/build/win32" >/dev/null
cmake --build build/host -j "$jobs"

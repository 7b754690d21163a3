#!/usr/bin/env bash
# Installs the Debian 12 packages that building and testing need, when they are missing.
set -euo pipefail
packages=(
  cmake g++ make googletest libgtest-dev          # host build and unit tests
  clang libclang-rt-14-dev                          # sanitizer and fuzzer build
  g++-mingw-w64-i686 g++-mingw-w64-x86-64          # the two setup.exe builds
  wine64 xvfb imagemagick python3                   # end-to-end tests, screenshots, the sample font
  mscompress libmspack-dev 7zip                     # SZDD peers
  mtools python3-pefile                             # zep pack's floppy images, a second PE reader
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "installing: ${missing[*]}"
sudo=""
[ "$(id -u)" = 0 ] || sudo=sudo
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -q
$sudo apt-get install -y -q --no-install-recommends "${missing[@]}"

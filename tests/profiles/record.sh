#!/usr/bin/env bash
# Re-records what the real private-profile functions answer (Wine 8's kernel32) for the
# corpus, so that profile_test can replay it on the host without Wine.
#
#   tests/profiles/record.sh [FILES QUERIES ANSWERS WRITTEN]
#
# Defaults: corpus/files, corpus/queries.txt, corpus/answers.txt and corpus/written beside
# this script. Needs wine64 and ini_probe.exe from the win64 build:
#
#   cmake -S . -B build/win64 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake
#   cmake --build build/win64 -j2 --target ini_probe
#
# INI_PROBE names another ini_probe.exe. The probe runs in a fresh prefix on copies of
# FILES; ANSWERS and the files in WRITTEN are replaced. Review the diff before committing:
# every changed answer is a change in what Windows does.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
files=${1:-$here/corpus/files}
queries=${2:-$here/corpus/queries.txt}
answers=${3:-$here/corpus/answers.txt}
written=${4:-$here/corpus/written}
probe=${INI_PROBE:-$root/build/win64/tests/programs/ini_probe/ini_probe.exe}
[ -f "$probe" ] || { echo "record.sh: $probe not found; build ini_probe (see above)" >&2; exit 2; }

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$scratch/files" "$scratch/out"
cp -p "$files"/. "$scratch/files/" -r
cp "$queries" "$scratch/queries.txt"

win() { echo "Z:$1" | tr / '\\'; }
"$root/tests/wine/wine-run.sh" -- sh -c '"$WINE" "$0" "$1" "$2" "$3" "$4"' \
  "$probe" "$(win "$scratch/files")" "$(win "$scratch/queries.txt")" \
  "$(win "$scratch/answers.txt")" "$(win "$scratch/out")"

cp "$scratch/answers.txt" "$answers"
mkdir -p "$written"
find "$written" -mindepth 1 -maxdepth 1 -type f ! -name '.*' -delete
cp "$scratch/out"/. "$written/" -r
echo "record.sh: $(wc -l < "$answers") answers, $(find "$written" -type f ! -name '.*' | wc -l) written files"

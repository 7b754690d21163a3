#!/usr/bin/env bash
# Re-records what the real text functions answer (Wine 8's lstrcmpA, lstrcmpiA,
# CharUpperBuffA, CharLowerBuffA, OemToCharA and the sort keys behind the comparisons) for
# the corpus, so that text_rules_tests can replay them on the host without Wine.
#
#   tests/text_rules/record.sh [QUERIES ANSWERS]
#
# Defaults: corpus/queries.txt and corpus/answers.txt beside this script. Needs wine64 and
# text_probe.exe from a win64 build:
#
#   cmake -S . -B build/win64 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake
#   cmake --build build/win64 -j2 --target text_probe
#
# TEXT_PROBE names another text_probe.exe. The probe runs three times in fresh prefixes:
# as Wine's default Windows, posing as Windows 95 and posing as NT 4.0. ANSWERS gets the
# first; the script fails, leaving the others beside ANSWERS, if they answer differently
# (so far they never have). Review the diff before committing: every changed answer is a
# change in what Windows does.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
queries=${1:-$here/corpus/queries.txt}
answers=${2:-$here/corpus/answers.txt}
probe=${TEXT_PROBE:-$root/build/win64/tests/programs/text_probe/text_probe.exe}
[ -f "$probe" ] || { echo "record.sh: $probe not found; build text_probe (see above)" >&2; exit 2; }

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cp "$queries" "$scratch/queries.txt"

win() { echo "Z:$1" | tr / '\\'; }
ask() {  # ask VERSION-OPTIONS... OUTPUT
  local out=${*: -1}
  "$root/tests/wine/wine-run.sh" "${@:1:$#-1}" -- sh -c '"$WINE" "$0" "$1" "$2"' \
    "$probe" "$(win "$scratch/queries.txt")" "$(win "$scratch/$out")"
}
ask default.txt
ask --version win95 win95.txt
ask --version nt40 nt40.txt

cp "$scratch/default.txt" "$answers"
differ=0
for v in win95 nt40; do
  if ! diff -q <(grep -v '^## asked of' "$scratch/default.txt") <(grep -v '^## asked of' "$scratch/$v.txt") >/dev/null; then
    cp "$scratch/$v.txt" "${answers%.txt}-$v.txt"
    echo "record.sh: posing as $v, Wine answers differently; see ${answers%.txt}-$v.txt" >&2
    differ=1
  fi
done
echo "record.sh: $(grep -cv '^#' "$answers") answer lines; $(grep -m1 '^## asked of' "$answers")"
exit $differ

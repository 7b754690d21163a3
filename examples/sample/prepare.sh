#!/usr/bin/env bash
# Lays out the sample product as installation disks beside setup.exe: each file compressed
# as COMPRESS does (SAMPLE.EXE becomes SAMPLE.EX_), the data file in two parts, the
# second compressed too, and the font made by make-font.py. The originals go to $ZEP_WORK/expected for the checks.
#   ZEP_SETUP_DIR        where setup.exe and the disks' files go
#   ZEP_WORK             the case's work folder
#   ZEP_WIN64_BUILD_DIR  the win64 build (the sample program)
#   ZEP_HOST_BUILD_DIR   the host build (the zep tool)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
zep=$ZEP_HOST_BUILD_DIR/tools/zep/zep
expected=$ZEP_WORK/expected
mkdir -p "$expected/DATA" "$expected/DOC"
cp "$ZEP_WIN64_BUILD_DIR/examples/sample/program/sample.exe" "$expected/SAMPLE.EXE"
cp "$expected/SAMPLE.EXE" "$expected/UNINST.EXE"
cp "$here/files/README.TXT" "$expected/DOC/README.TXT"
"$zep" help "$here/help.txt" -o "$expected/SAMPLE.HLP" >/dev/null
python3 "$here/make-font.py" "$expected/SAMPLE.TTF"
# 150 000 bytes of data, delivered as 100 000 plain bytes on disk 1 and the rest, compressed,
# on disk 2.
seq -w 1 25000 | sed 's/$/ data/' > "$ZEP_WORK/lines.txt"
head -c 150000 "$ZEP_WORK/lines.txt" > "$expected/DATA/SAMPLE.DAT"
rm "$ZEP_WORK/lines.txt"
head -c 100000 "$expected/DATA/SAMPLE.DAT" > "$ZEP_SETUP_DIR/DATA.1"
tail -c +100001 "$expected/DATA/SAMPLE.DAT" > "$ZEP_WORK/DATA.2"
"$zep" compress -o "$ZEP_SETUP_DIR" "$ZEP_WORK/DATA.2" >/dev/null
rm "$ZEP_WORK/DATA.2"
for f in SAMPLE.EXE UNINST.EXE DOC/README.TXT SAMPLE.HLP SAMPLE.TTF; do
  "$zep" compress -r -o "$ZEP_SETUP_DIR" "$expected/$f" >/dev/null
done

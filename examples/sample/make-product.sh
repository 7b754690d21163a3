#!/usr/bin/env bash
# Makes the sample's product folder as its author keeps it: INSTALL.INI and the original
# files (zep pack compresses what the script names with a trailing '_'), plus the data
# file's two parts as the author cut them: DATA.1 plain, DATA.2 already compressed.
#   make-product.sh DIR
#   ZEP_WIN64_BUILD_DIR  the win64 build (the sample program)
#   ZEP_HOST_BUILD_DIR   the host build (the zep tool)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
dir=$1
zep=$ZEP_HOST_BUILD_DIR/tools/zep/zep
mkdir -p "$dir"
cp "$here/INSTALL.INI" "$here/files/README.TXT" "$dir/"
"$zep" help "$here/help.txt" -o "$dir/SAMPLE.HLP" >/dev/null
cp "$ZEP_WIN64_BUILD_DIR/examples/sample/program/sample.exe" "$dir/SAMPLE.EXE"
python3 "$here/make-font.py" "$dir/SAMPLE.TTF"
# 150 000 bytes of data: 100 000 plain bytes on disk 1, the rest compressed on disk 2.
parts=$(mktemp -d)
trap 'rm -rf "$parts"' EXIT
seq -w 1 25000 | sed 's/$/ data/' > "$parts/lines.txt"
head -c 150000 "$parts/lines.txt" > "$parts/SAMPLE.DAT"
head -c 100000 "$parts/SAMPLE.DAT" > "$dir/DATA.1"
tail -c +100001 "$parts/SAMPLE.DAT" > "$parts/DATA.2"
"$zep" compress -o "$dir" "$parts/DATA.2" >/dev/null

#!/usr/bin/env bash
# Lays out the log product beside setup.exe: part 1 plain, part 2 compressed, and the
# person's own log as it was before the installation ($ZEP_WORK/pre/LOG.TXT). The whole
# expected log goes to $ZEP_WORK/expected/LOG.TXT.
#   ZEP_SETUP_DIR ZEP_WORK ZEP_HOST_BUILD_DIR   as run-case.sh sets them
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
zep=$ZEP_HOST_BUILD_DIR/tools/zep/zep
mkdir -p "$ZEP_WORK/pre" "$ZEP_WORK/expected"
printf 'The log of a person, written before Log Tool came.\r\n' > "$ZEP_WORK/pre/LOG.TXT"
seq -w 1 1500 | sed 's/$/ first part/' > "$ZEP_SETUP_DIR/PART1.TXT"
seq -w 1 1500 | sed 's/$/ second part/' > "$ZEP_WORK/PART2.TXT"
"$zep" compress -r -o "$ZEP_SETUP_DIR" "$ZEP_WORK/PART2.TXT" >/dev/null
cat "$ZEP_WORK/pre/LOG.TXT" "$ZEP_SETUP_DIR/PART1.TXT" "$ZEP_WORK/PART2.TXT" > "$ZEP_WORK/expected/LOG.TXT"
rm "$ZEP_WORK/PART2.TXT"
# Its help file is the sample's.
"$zep" help "$here/../../../../examples/sample/help.txt" -o "$ZEP_WORK/SAMPLE.HLP" >/dev/null
"$zep" compress -r -o "$ZEP_SETUP_DIR" "$ZEP_WORK/SAMPLE.HLP" >/dev/null

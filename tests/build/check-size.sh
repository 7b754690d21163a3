#!/usr/bin/env bash
# A program shipped inside every product must stay small.
#   check-size.sh PROGRAM MAX_BYTES
set -euo pipefail
exe=$1 limit=$2
[ -f "$exe" ] || { echo "check-size.sh: $exe is missing: build the Windows builds first" >&2; exit 1; }
size=$(stat -c %s "$exe")
echo "$exe: $size bytes (at most $limit)"
[ "$size" -le "$limit" ]

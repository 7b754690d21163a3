#!/usr/bin/env bash
# Turns a product laid out as disks (INSTALL.INI beside its files, as prepare.sh scripts
# leave it) into one embedded-mode SETUP.EXE: the script as resource 12000, the help file's
# source as 12001 and one resource per [Disk n] key from 12002 on, in the order the loader
# numbers them. Everything else in the folder is removed, so SETUP.EXE stands alone.
#   pack-embedded.sh DIR WIN64_BUILD_DIR HOST_BUILD_DIR
set -euo pipefail
dir=$1 build=$2 host_build=$3
cd "$dir"
[ -f INSTALL.INI ] || { echo "pack-embedded.sh: no INSTALL.INI in $dir" >&2; exit 1; }
"$host_build/tools/zep/zep" compress -r -o . INSTALL.INI >/dev/null

# value of KEY in [Basic Information], blanks trimmed
basic() {
  tr -d '\r' < INSTALL.INI | awk -F= -v key="$1" '
    /^[ \t]*\[/ { sec = tolower($0); gsub(/^[ \t]*\[|\][ \t]*$/, "", sec); next }
    sec == "basic information" { k = tolower($1); gsub(/^[ \t]+|[ \t]+$/, "", k)
      if (k == tolower(key)) { v = substr($0, index($0, "=") + 1); gsub(/^[ \t]+|[ \t]+$/, "", v); print v; exit } }'
}
help=$(basic HelpFileName)
help_source=${help%%,*}
disks=$(basic TotalDisks)

{
  echo '#include "setup.rc"'
  echo '12000 256 "INSTALL.IN_"'
  # no help file: the resource is left out and its install fails quietly, as on a disk
  [ -n "$help_source" ] && echo "12001 256 \"$help_source\""
  # one id per key of disks 1..TotalDisks, DiskName excepted, in the order of the lines
  tr -d '\r' < INSTALL.INI | awk -v disks="${disks:-0}" '
    /^[ \t]*\[/ { sec = tolower($0); gsub(/^[ \t]*\[|\][ \t]*$/, "", sec); next }
    /^[ \t]*(;|$)/ { next }
    sec ~ /^disk [0-9]+$/ { n = substr(sec, 6) + 0
      k = $0; sub(/=.*/, "", k); gsub(/^[ \t]+|[ \t]+$/, "", k)
      if (tolower(k) != "diskname") keys[n] = keys[n] k "\n" }
    END { id = 12002
      for (n = 1; n <= disks; n++) {
        c = split(keys[n], list, "\n")
        for (i = 1; i < c; i++) printf "%d 256 \"%s\"\n", id++, list[i] } }'
} > payload.rc
"$build/link-setup.sh" payload.rc SETUP.EXE.new
find . -maxdepth 1 -type f ! -name SETUP.EXE.new -delete
mv SETUP.EXE.new SETUP.EXE

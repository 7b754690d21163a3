#!/usr/bin/env bash
# A product of a few hundred files on two disks or more (at most 300 lines a disk, so that
# each [Disk n] key list stays within its 4096 bytes): small ones, some over 64 KB, one file in
# three Append parts, in sub-folders of the target. The files are made afresh for each
# run; the originals go to $ZEP_WORK/expected, compressed copies beside setup.exe.
#   ZEP_SETUP_DIR ZEP_WORK ZEP_HOST_BUILD_DIR   as run-case.sh sets them
#   MANY_FILES   how many files (default 300)
#   MANY_LARGEST the largest file's size in bytes (default: no limit)
set -eu  # no pipefail: the generators end their pipes early on purpose
zep=$ZEP_HOST_BUILD_DIR/tools/zep/zep
expected=$ZEP_WORK/expected
count=${MANY_FILES:-300}
mkdir -p "$expected/SMALL" "$expected/LARGE" "$ZEP_WORK/sources"
sources=$ZEP_WORK/sources
disks=$(( (count + 299) / 300 )); [ "$disks" -lt 2 ] && disks=2
per_disk=$(( (count + disks - 1) / disks ))
declare -a lines
total=0
# Text of a small vocabulary, which SZDD compresses to about half, as it does programs.
words() {
  awk -v size="$1" -v seed="$2" 'BEGIN {
    srand(seed); n = split("the of and to in is it that for on was with as at by from this be or are an " \
      "file disk setup install window program data sample tool copy version drive help font group", w)
    line = ""; total = 0
    while (total < size) {
      line = line w[int(rand() * n) + 1] (rand() < 0.1 ? "\r\n" : " ")
      if (length(line) > 4096) { printf "%s", substr(line, 1, size - total < 4096 ? size - total : 4096); total += 4096; line = "" }
      if (total + length(line) >= size) { printf "%s", substr(line, 1, size - total); total = size }
    }
  }'
}
for i in $(seq -w 1 "$count"); do
  n=$((10#$i))
  if [ $((n % 15)) = 0 ]; then dir=LARGE size=$((70000 + n * 3000)); else dir=SMALL size=$((n * 97 % 20000 + 1)); fi
  [ -n "${MANY_LARGEST:-}" ] && [ "$size" -gt "$MANY_LARGEST" ] && size=$MANY_LARGEST
  name=F$i.DAT
  words "$size" "$n" > "$expected/$dir/$name"
  cp "$expected/$dir/$name" "$sources/$name"
  total=$((total + size))
  disk=$(( (n - 1) / per_disk + 1 ))
  lines[$disk]+="F$i.DA_=Target\\$dir\\$name,File $i"$'\r\n'
done
# One file of 300 000 bytes in three parts: plain, compressed on disk 1, compressed on disk 2.
words 300000 0 > "$expected/LARGE/JOINED.BIN"
head -c 100000 "$expected/LARGE/JOINED.BIN" > "$ZEP_SETUP_DIR/JOINED.1"
tail -c +100001 "$expected/LARGE/JOINED.BIN" | head -c 120000 > "$sources/JOINED.2"
tail -c +220001 "$expected/LARGE/JOINED.BIN" > "$sources/JOINED.3"
total=$((total + 300000))
"$zep" compress -r -o "$ZEP_SETUP_DIR" "$sources"/F*.DAT >/dev/null
"$zep" compress -o "$ZEP_SETUP_DIR" "$sources/JOINED.2" "$sources/JOINED.3" >/dev/null
rm -r "$sources"
{
  printf '[Basic Information]\r\nCaption=Many Files Setup\r\nHelpFileName=MANY.HLP\r\n'
  printf 'ProductName=Many Files\r\nProductVersion=1.0\r\nProduct.INI=MANY.INI\r\n'
  printf 'DefaultTargetDir=C:\\MANY\r\nTotalDisks=%s\r\nDiskSpace=%s\r\n' "$disks" "$total"
  printf '[Target Subdirectories]\r\nSubdirectory1=SMALL\r\nSubdirectory2=LARGE\r\n'
  for d in $(seq 1 "$disks"); do
    printf '[Disk %s]\r\nDiskName=Many Files Disk %s\r\n%s' "$d" "$d" "${lines[$d]:-}"
    # The joined file's parts: two on the first disk, the last on the last disk.
    [ "$d" = 1 ] && printf 'JOINED.1=Target\\LARGE\\JOINED.BIN,Joined file (part 1)\r\nJOINED.2=Target\\LARGE\\JOINED.BIN,Joined file (part 2),Append\r\n'
    [ "$d" = "$disks" ] && printf 'JOINED.3=Target\\LARGE\\JOINED.BIN,Joined file (part 3),Append\r\n'
  done
} > "$ZEP_SETUP_DIR/INSTALL.INI"

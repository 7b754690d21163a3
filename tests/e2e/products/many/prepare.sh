#!/usr/bin/env bash
# A product of a few hundred files on two disks: small ones, some over 64 KB, one file in
# three Append parts, in sub-folders of the target. The files are made afresh for each
# run; the originals go to $ZEP_WORK/expected, compressed copies beside setup.exe.
#   ZEP_SETUP_DIR ZEP_WORK ZEP_HOST_BUILD_DIR   as run-case.sh sets them
#   MANY_FILES   how many files (default 300)
set -eu  # no pipefail: the generators end their pipes early on purpose
zep=$ZEP_HOST_BUILD_DIR/tools/zep/zep
expected=$ZEP_WORK/expected
count=${MANY_FILES:-300}
mkdir -p "$expected/SMALL" "$expected/LARGE" "$ZEP_WORK/sources"
sources=$ZEP_WORK/sources
disk1="" disk2="" total=0
for i in $(seq -w 1 "$count"); do
  n=$((10#$i))
  if [ $((n % 15)) = 0 ]; then dir=LARGE size=$((70000 + n * 3000)); else dir=SMALL size=$((n * 97 % 20000 + 1)); fi
  name=F$i.DAT
  # Text that compresses about as much as a program does.
  head -c $((size * 3 / 4 + 3)) /dev/urandom | base64 -w 64 | head -c "$size" > "$expected/$dir/$name"
  cp "$expected/$dir/$name" "$sources/$name"
  total=$((total + size))
  line="F$i.DA_=Target\\$dir\\$name,File $i"
  if [ "$n" -le $((count / 2)) ]; then disk1+="$line"$'\r\n'; else disk2+="$line"$'\r\n'; fi
done
# One file of 300 000 bytes in three parts: plain, compressed on disk 1, compressed on disk 2.
head -c 225000 /dev/urandom | base64 -w 76 | head -c 300000 > "$expected/LARGE/JOINED.BIN"
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
  printf 'DefaultTargetDir=C:\\MANY\r\nTotalDisks=2\r\nDiskSpace=%s\r\n' "$total"
  printf '[Target Subdirectories]\r\nSubdirectory1=SMALL\r\nSubdirectory2=LARGE\r\n'
  printf '[Disk 1]\r\nDiskName=Many Files Disk 1\r\n%sJOINED.1=Target\\LARGE\\JOINED.BIN,Joined file (part 1)\r\n' "$disk1"
  printf 'JOINED.2=Target\\LARGE\\JOINED.BIN,Joined file (part 2),Append\r\n'
  printf '[Disk 2]\r\nDiskName=Many Files Disk 2\r\n%sJOINED.3=Target\\LARGE\\JOINED.BIN,Joined file (part 3),Append\r\n' "$disk2"
} > "$ZEP_SETUP_DIR/INSTALL.INI"

#!/usr/bin/env bash
# zep pack --embedded next to makensis (Debian's nsis, its default compressor, zlib) on the
# same product, in the same run: a few hundred MB of programs (Wine's Windows DLLs and
# programs) and text (C headers and documentation) from this machine. Prints the time and
# size of each and their ratios. Run after scripts/build.sh:
#   bench/pack/run.sh [PROGRAM_MB] [TEXT_MB]
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$PWD
program_mb=${1:-200}
text_mb=${2:-100}
work=$root/build/bench-pack
zep=$root/build/host/tools/zep/zep
command -v makensis >/dev/null || {
  echo "installing nsis (makensis) ..."
  sudo=""
  [ "$(id -u)" = 0 ] || sudo=sudo
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends nsis >/dev/null
}
stub=()
[ -f build/win32/src/setup.exe ] && stub=(--stub "$root/build/win32/src/setup.exe")

rm -rf "$work" && mkdir -p "$work/product"
# Files up to a number of MB from each list, in a stable order, each under a number of its
# own (one process: thousands of small files).
/usr/bin/python3 - "$work/product" "$program_mb" "$text_mb" <<'PICK'
import os, shutil, sys
out, program_mb, text_mb = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
def files(roots, suffixes):
    for root in roots:
        for folder, dirs, names in sorted(os.walk(root)):
            dirs.sort()
            for n in sorted(names):
                path = os.path.join(folder, n)
                if (n.endswith(suffixes) or n == "copyright") and os.path.isfile(path) and not os.path.islink(path):
                    yield path
def pick(paths, limit, prefix, extension):
    total = n = 0
    for path in paths:
        size = os.path.getsize(path)
        if size == 0:
            continue
        if total + size > limit << 20:
            break
        n += 1
        total += size
        shutil.copyfile(path, os.path.join(out, "%s%05d.%s" % (prefix, n, extension)))
pick(files(["/usr/lib/x86_64-linux-gnu/wine/x86_64-windows"], (".dll", ".exe")), program_mb, "P", "EXE")
pick(files(["/usr/include", "/usr/share/doc"], (".h", ".txt", ".html")), text_mb, "T", "TXT")
PICK
files=$(ls "$work/product" | wc -l)
bytes=$(du -sb "$work/product" | cut -f1)

# The script: every file compressed on the way (NAME.EX_ from NAME.EXE), 250 lines a disk.
{
  printf '[Basic Information]\r\nCaption=Bench Setup\r\nHelpFileName=BENCH.HLP\r\nProductName=Bench\r\n'
  printf 'DefaultTargetDir=C:\\BENCH\r\nDiskSpace=%s\r\nTotalDisks=%s\r\n' "$bytes" $(( (files + 249) / 250 ))
  ls "$work/product" | awk '{ if ((NR - 1) % 250 == 0) printf "[Disk %d]\r\nDiskName=Bench %d\r\n", (NR - 1) / 250 + 1, (NR - 1) / 250 + 1
                              printf "%s_=Target\\%s\r\n", substr($0, 1, length($0) - 1), $0 }'
} > "$work/INSTALL.INI"
mv "$work/INSTALL.INI" "$work/product/"
printf 'Help for the bench.\r\n' > "$work/product/BENCH.HLP"
{
  echo 'Name "Bench"'
  echo "OutFile \"$work/nsis.exe\""
  echo 'InstallDir "$PROGRAMFILES\Bench"'
  echo 'Section'
  echo 'SetOutPath "$INSTDIR"'
  # Two wildcards: makensis looks a File's name up in its folder, each time anew.
  echo "File \"$work/product/P*.EXE\""
  echo "File \"$work/product/T*.TXT\""
  echo 'SectionEnd'
} > "$work/bench.nsi"

echo "product: $files files, $bytes bytes ($program_mb MB of programs, $text_mb MB of text at most)"
echo "cores: $(nproc), load average before: $(cut -d' ' -f1-3 /proc/loadavg)"
ns() { date +%s%N; }
start=$(ns)
"$zep" pack "$work/product" --embedded "$work/zep.exe" "${stub[@]}" > "$work/zep.log"
zep_ns=$(( $(ns) - start ))
start=$(ns)
makensis -V1 "$work/bench.nsi" > "$work/nsis.log"
nsis_ns=$(( $(ns) - start ))
zep_size=$(stat -c %s "$work/zep.exe")
nsis_size=$(stat -c %s "$work/nsis.exe")
awk -v b="$bytes" -v zt="$zep_ns" -v nt="$nsis_ns" -v zs="$zep_size" -v ns="$nsis_size" 'BEGIN {
  printf "%-34s %8s %8s %12s %7s\n", "", "seconds", "MB/s", "bytes", "ratio"
  printf "%-34s %8.1f %8.1f %12d %6.1f%%\n", "zep pack --embedded (SZDD)", zt / 1e9, b / 1e6 / (zt / 1e9), zs, 100 * zs / b
  printf "%-34s %8.1f %8.1f %12d %6.1f%%\n", "makensis (zlib, its default)", nt / 1e9, b / 1e6 / (nt / 1e9), ns, 100 * ns / b
  printf "zep takes %.2f of makensis'"'"' time (target: at most 1.00) and makes %.2f of its size\n", zt / nt, zs / ns }'

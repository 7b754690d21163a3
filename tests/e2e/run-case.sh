#!/usr/bin/env bash
# Runs one end-to-end case: the real setup.exe under Wine, driven by driver.exe.
#
#   run-case.sh CASE_DIR WORK_DIR WIN64_BUILD_DIR HOST_BUILD_DIR
#
# CASE_DIR holds steps.txt (the driver's steps) and optionally:
#   product     a folder of the repository whose product to install (its INSTALL.INI and
#               files, laid out by its prepare.sh); the case's own files override them
#   prepare.sh  run before Wine starts, like a product's (ZEP_WORK, ZEP_SETUP_DIR, ...)
#   version     win95, nt351 or nt40: the Windows Wine poses as
#   display     ega, vga or 8514: the display class, as the screen's pixels per inch (72,
#               96, 120) make it; vga when absent
#   floppy      setup.exe and its files are on a floppy drive A: rather than in C:\SETUP
#   drive       "LETTER KB": a real hard disk of that size (a tmpfs, mounted as root) as
#               that drive letter, at $ZEP_DRIVE_DIR for prepare.sh and check.sh; where
#               mounting is refused the case says so and is skipped (exit 77)
#   check.sh    run after the driver with WINEPREFIX and WINE set: looks at what landed
#   any other file: put beside setup.exe (INSTALL.INI, ...); sub-folders go to the work folder
# setup.exe and its files are placed in C:\SETUP of a fresh prefix (or on A:), as on a
# real machine. In steps.txt, $SETUP is the path of SETUP.EXE and $WORK the work folder as
# Windows sees it; the driver puts them in verbatim. The work folder keeps the driver's
# log and the screenshots (PNG when ImageMagick is installed).
set -euo pipefail
case_dir=$(cd "$1" && pwd)
work=$2
build=$(cd "$3" && pwd)
host_build=$(cd "${4:-$build/../host}" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/../.." && pwd)

for f in "$build/src/setup.exe" "$build/tests/programs/driver/driver.exe"; do
  [ -f "$f" ] || { echo "run-case.sh: $f is missing: build the win64 build first" >&2; exit 1; }
done

for m in "$work"/drive-?; do if [ -d "$m" ]; then umount "$m" 2>/dev/null || true; fi; done
rm -rf "$work"
mkdir -p "$work/setup"
work=$(cd "$work" && pwd)
export ZEP_WORK=$work ZEP_SETUP_DIR=$work/setup ZEP_WIN64_BUILD_DIR=$build ZEP_HOST_BUILD_DIR=$host_build
export ZEP_CASE_DIR=$case_dir
export ZEP_DRIVE_LETTER="" ZEP_DRIVE_DIR=""
if [ -f "$case_dir/drive" ]; then
  read -r letter kb < "$case_dir/drive"
  ZEP_DRIVE_LETTER=$(printf '%s' "$letter" | tr 'A-Z' 'a-z')
  ZEP_DRIVE_DIR=$work/drive-$ZEP_DRIVE_LETTER
  mkdir -p "$ZEP_DRIVE_DIR"
  if ! mount -t tmpfs -o "size=${kb}k,mode=0777" tmpfs "$ZEP_DRIVE_DIR" 2>/dev/null; then
    echo "run-case.sh: cannot mount a $kb KB drive (mounting needs root): case skipped" >&2
    exit 77
  fi
  trap 'umount "$ZEP_DRIVE_DIR" 2>/dev/null || true' EXIT
fi
cp "$build/src/setup.exe" "$work/setup/SETUP.EXE"
copy_files() {  # the files of a folder beside setup.exe, its sub-folders into the work folder
  find "$1" -maxdepth 1 -type f ! -name steps.txt ! -name version ! -name check.sh ! -name prepare.sh \
    ! -name display ! -name product ! -name floppy ! -name drive ! -name '*.md' -exec cp {} "$work/setup/" \;
  for d in "$1"/*/; do [ -d "$d" ] && cp -r "$d" "$work/"; done
  return 0
}
if [ -f "$case_dir/product" ]; then
  product=$repo/$(cat "$case_dir/product")
  [ -f "$product/INSTALL.INI" ] && cp "$product/INSTALL.INI" "$work/setup/"
  [ -x "$product/prepare.sh" ] && "$product/prepare.sh"
fi
copy_files "$case_dir"
[ -f "$case_dir/prepare.sh" ] && bash "$case_dir/prepare.sh"

setup_path='C:\SETUP\SETUP.EXE'
[ -f "$case_dir/floppy" ] && setup_path='A:\SETUP.EXE'
# The driver puts these values in verbatim; nothing here rewrites the steps.
{
  printf 'let WORK Z:%s\n' "$(printf '%s' "$work" | tr / '\\')"
  printf 'let SETUP %s\n' "$setup_path"
  cat "$case_dir/steps.txt"
} > "$work/steps.txt"
cp "$build/tests/programs/driver/driver.exe" "$work/"

args=(--display)
[ -f "$case_dir/version" ] && args+=(--version "$(cat "$case_dir/version")")
export ZEP_FLOPPY=$([ -f "$case_dir/floppy" ] && echo 1 || echo 0)
export ZEP_PIXELS_PER_INCH=96
if [ -f "$case_dir/display" ]; then
  case "$(cat "$case_dir/display")" in
    ega) ZEP_PIXELS_PER_INCH=72 ;;
    vga) ZEP_PIXELS_PER_INCH=96 ;;
    8514) ZEP_PIXELS_PER_INCH=120 ;;
    *) echo "run-case.sh: $case_dir/display names no display class (ega, vga, 8514)" >&2; exit 1 ;;
  esac
fi
set +e
"$here/../wine/wine-run.sh" "${args[@]}" -- sh -c '
  set -e
  if [ "$ZEP_FLOPPY" = 1 ]; then
    ln -s "$ZEP_SETUP_DIR" "$WINEPREFIX/dosdevices/a:"
    "$WINE" reg add "HKLM\\Software\\Wine\\Drives" /v a: /d floppy /f >/dev/null 2>&1
    # Drive types are read when the services start: start them again.
    "$WINESERVER" -k; "$WINESERVER" -w
  else
    mkdir -p "$WINEPREFIX/drive_c/SETUP"
    cp -r "$ZEP_SETUP_DIR/." "$WINEPREFIX/drive_c/SETUP/"
  fi
  if [ -n "$ZEP_DRIVE_LETTER" ]; then ln -s "$ZEP_DRIVE_DIR" "$WINEPREFIX/dosdevices/$ZEP_DRIVE_LETTER:"; fi
  if [ "$ZEP_PIXELS_PER_INCH" != 96 ]; then
    "$WINE" reg add "HKCU\\Control Panel\\Desktop" /v LogPixels /t REG_DWORD /d "$ZEP_PIXELS_PER_INCH" /f >/dev/null 2>&1
  fi
  "$WINE" "$ZEP_WORK/driver.exe" "Z:$(printf "%s" "$ZEP_WORK/steps.txt" | tr / "\\\\")"
  if [ -f "$ZEP_CASE_DIR/check.sh" ]; then bash "$ZEP_CASE_DIR/check.sh"; fi
' 2>&1 | tee "$work/driver.log"
status=${PIPESTATUS[0]}
set -e
if command -v convert >/dev/null && convert -version 2>/dev/null | grep -q ImageMagick; then
  for bmp in "$work"/*.bmp; do
    [ -f "$bmp" ] && convert "$bmp" "${bmp%.bmp}.png" && rm "$bmp"
  done
fi
if [ "$status" = 77 ] && [ "${ZEP_E2E_REQUIRED:-0}" = 1 ]; then
  echo "run-case.sh: Wine is required for this run" >&2
  exit 1
fi
exit "$status"

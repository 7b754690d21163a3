#!/usr/bin/env bash
# Runs a command against a fresh Wine prefix, then removes the prefix.
#
#   wine-run.sh [--display] [--version win95|win98|nt351|nt40|...] -- COMMAND [ARGS...]
#
# The prefix is a copy of a template made once per work folder (wineboot is slow); the
# command sees WINEPREFIX, WINE (the wine64 loader), WINESERVER and, with --display, DISPLAY of an
# Xvfb started once per work folder. Exits with the command's status; after it, the
# prefix's wineserver is killed, so no Windows process outlives the run.
#
# ZEP_WINE_WORK   work folder (default: /tmp/zep-wine-$UID-<checkout>, one per checkout, so
#                 two checkouts tested at once never share a display or a prefix template)
# ZEP_KEEP_PREFIX set to 1 to keep the prefix for a look afterwards
set -euo pipefail

display=0
version=""
while [ $# -gt 0 ]; do
  case "$1" in
    --display) display=1; shift ;;
    --version) version="$2"; shift 2 ;;
    --) shift; break ;;
    *) echo "wine-run.sh: unknown option $1" >&2; exit 2 ;;
  esac
done
[ $# -gt 0 ] || { echo "usage: wine-run.sh [--display] [--version V] -- COMMAND..." >&2; exit 2; }

export WINE=${WINE:-/usr/lib/wine/wine64}
if [ ! -x "$WINE" ]; then
  echo "wine-run.sh: $WINE not found; install the Debian package wine64" >&2
  exit 77
fi
checkout=$(cd "$(dirname "$0")/../.." && pwd | md5sum | cut -c1-8)
work=${ZEP_WINE_WORK:-/tmp/zep-wine-$(id -u)-$checkout}
mkdir -p "$work"
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml="

start_display() {
  exec 8>"$work/xvfb.lock"
  flock 8
  if [ -f "$work/xvfb.pid" ] && kill -0 "$(cat "$work/xvfb.pid")" 2>/dev/null; then
    DISPLAY=$(cat "$work/xvfb.display")
  else
    command -v Xvfb >/dev/null || { echo "wine-run.sh: Xvfb not found; install xvfb" >&2; exit 77; }
    local n=90
    while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
    setsid Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    echo $! > "$work/xvfb.pid"
    echo ":$n" > "$work/xvfb.display"
    DISPLAY=":$n"
    for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
  fi
  flock -u 8
  export DISPLAY
}

make_template() {
  exec 9>"$work/template.lock"
  flock 9
  if [ ! -f "$work/template/.ready" ]; then
    rm -rf "$work/template"
    WINEPREFIX="$work/template" "$WINE" wineboot -i >/dev/null 2>&1 || true
    # Without a window manager Wine waits for every closing window unless unmanaged.
    WINEPREFIX="$work/template" "$WINE" reg add 'HKCU\Software\Wine\X11 Driver' \
      /v Managed /d N /f >/dev/null 2>&1
    WINEPREFIX="$work/template" "$wineserver_bin" -w 2>/dev/null || true
    [ -f "$work/template/system.reg" ] || { echo "wine-run.sh: wineboot failed" >&2; exit 1; }
    touch "$work/template/.ready"
  fi
  flock -u 9
}

wineserver_bin=$(command -v wineserver || echo /usr/lib/wine/wineserver64)
export WINESERVER=$wineserver_bin
[ "$display" = 1 ] && start_display
make_template

prefix=$(mktemp -d "$work/prefix.XXXXXX")
cp -a "$work/template/." "$prefix/"
export WINEPREFIX="$prefix"

cleanup() {
  "$wineserver_bin" -k >/dev/null 2>&1 || true
  "$wineserver_bin" -w >/dev/null 2>&1 || true
  [ "${ZEP_KEEP_PREFIX:-0}" = 1 ] || rm -rf "$prefix"
}
trap cleanup EXIT

if [ -n "$version" ]; then
  "$WINE" reg add 'HKCU\Software\Wine' /v Version /d "$version" /f >/dev/null 2>&1
fi

set +e
"$@"
status=$?
set -e
exit $status

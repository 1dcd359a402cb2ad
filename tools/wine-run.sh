#!/usr/bin/env bash
# Runs a 64-bit Windows program under Debian's wine64 loader with a private
# prefix beside the program (or $WINEPREFIX when set). Usage: wine-run.sh prog.exe [args]
set -euo pipefail
loader=/usr/lib/wine/wine64
if [ ! -x "$loader" ]; then
  loader=$(dpkg -L wine64 2>/dev/null | grep '/wine64$' | head -n 1 || true)
fi
if [ -z "$loader" ] || [ ! -x "$loader" ]; then
  echo "wine-run.sh: the wine64 loader is not installed (apt-get install wine64)" >&2
  exit 2
fi
# Windows need a display: without one, run on a private Xvfb screen.
if [ -z "${DISPLAY:-}" ] && command -v xvfb-run >/dev/null; then
  exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$@"
fi
prog=$1; shift
export WINEPREFIX=${WINEPREFIX:-$(cd "$(dirname "$prog")" && pwd)/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$WINEPREFIX"
  "$loader" wineboot -i >/dev/null 2>&1 || true
  wineserver_bin=$(dirname "$loader")/wineserver
  [ -x "$wineserver_bin" ] && "$wineserver_bin" -w || true
fi
# Run from the program's folder so that it finds the DLLs beside it.
cd "$(dirname "$prog")"
exec "$loader" "./$(basename "$prog")" "$@"

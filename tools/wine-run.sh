#!/usr/bin/env bash
# Runs a Windows program under Wine with a private prefix beside the program
# (or $WINEPREFIX when set): a 64-bit one under Debian's wine64 loader, a
# 32-bit one under the 32-bit loader that only the virtual machine has. Without a display it
# runs on a private Xvfb screen, and stops Wine's processes before that
# screen goes away. Usage: wine-run.sh prog.exe [args]
set -uo pipefail
# shellcheck source=tools/wine-layout.sh
. "$(dirname "$0")/wine-layout.sh"
# The PE header's machine field: 014c for a 32-bit program, 8664 for 64-bit.
machine() {
  local offset
  offset=$(od -An -tu4 -j60 -N4 "$1" 2>/dev/null | tr -d ' ')
  [ -n "$offset" ] && od -An -tx2 -j$((offset + 4)) -N2 "$1" | tr -d ' '
}
program=${1:-}
[ "$program" = --own-display ] && program=${2:-}
if [ "$(machine "$program")" = 014c ]; then
  # 32-bit Wine exists only inside the virtual machine (tools/vm32).
  loader=/usr/lib/wine/wine
  if [ ! -x "$loader" ]; then
    echo "wine-run.sh: $program is a 32-bit program: run it in the virtual machine (tools/vm32/run.sh)" >&2
    exit 2
  fi
else
  loader=/usr/lib/wine/wine64
  if [ ! -x "$loader" ]; then
    loader=$(dpkg -L wine64 2>/dev/null | awk '/\/wine64$/ && !found { print; found = 1 }' || true)
  fi
  if [ -z "$loader" ] || [ ! -x "$loader" ]; then
    echo "wine-run.sh: the wine64 loader is not installed (apt-get install wine64)" >&2
    exit 2
  fi
fi
wineserver_bin=$(dirname "$loader")/wineserver
if [ -z "${DISPLAY:-}" ] && command -v xvfb-run >/dev/null; then
  exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" --own-display "$@"
fi
own_display=0
if [ "${1:-}" = --own-display ]; then
  own_display=1
  shift
fi
prog=$1; shift
export WINEPREFIX=${WINEPREFIX:-$(cd "$(dirname "$prog")" && pwd)/wineprefix}
# Wine's own errors stay on: Wine reports some failures to start a program
# (its memory layout, for one) only there, and with every channel off such a
# program exits 1 without a word.
export WINEDEBUG=${WINEDEBUG:--all,err+all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
# Wine's server keeps a folder in the temporary folder that outlives it; a
# caller may give Wine a temporary folder of its own for that.
[ -z "${QV_WINE_TMPDIR:-}" ] || export TMPDIR=$QV_WINE_TMPDIR
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$WINEPREFIX"
  # wineboot may stop waiting for Wine's boot event on a busy machine while
  # the prefix is still being made: the verdict is Wine's own mark of a
  # finished prefix, once every Wine process has ended.
  "$loader" wineboot -i >/dev/null 2>&1
  if [ -x "$wineserver_bin" ]; then "$wineserver_bin" -w; fi
  if [ ! -f "$WINEPREFIX/.update-timestamp" ]; then
    echo "wine-run.sh: making the Wine prefix $WINEPREFIX failed (wineboot -i left no .update-timestamp)" >&2
    exit 2
  fi
fi
# Without a window manager, managed windows make every hide wait 2 s for a
# withdrawal that never comes: the prefix's windows are left unmanaged.
if [ ! -f "$WINEPREFIX/.unmanaged-windows" ]; then
  if ! "$loader" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1; then
    echo "wine-run.sh: setting the prefix's windows unmanaged failed (reg add)" >&2
    exit 2
  fi
  touch "$WINEPREFIX/.unmanaged-windows"
  if [ -x "$wineserver_bin" ]; then "$wineserver_bin" -w; fi
fi
# Run from the program's folder so that it finds the DLLs beside it.
cd "$(dirname "$prog")" || { echo "wine-run.sh: no folder $(dirname "$prog")" >&2; exit 2; }
"$loader" "./$(basename "$prog")" "$@"
status=$?
# Wine's helper processes hold the private screen; end them before it closes.
if [ "$own_display" = 1 ] && [ -x "$wineserver_bin" ]; then "$wineserver_bin" -k 2>/dev/null; fi
exit $status

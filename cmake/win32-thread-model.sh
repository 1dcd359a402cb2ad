#!/usr/bin/env bash
# Runs a compile or link step of the plug-in DLL with mingw's win32 thread
# model instead of the posix one the rest of the Windows build uses: the
# driver named "...-posix" becomes "...-win32", which links no thread
# library. Any other tool (windres) runs as given.
# Usage: win32-thread-model.sh TOOL ARGS...
set -euo pipefail
tool=$1
shift
case "$tool" in
  *-posix)
    win32=${tool%-posix}-win32
    command -v "$win32" >/dev/null || { echo "win32-thread-model.sh: $win32 is not installed (scripts/setup.sh installs it)" >&2; exit 2; }
    exec "$win32" "$@" ;;
  *) exec "$tool" "$@" ;;
esac

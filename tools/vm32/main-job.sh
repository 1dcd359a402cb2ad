#!/bin/bash
# The main job in the guest: the i686 FINALE.EXE runs a scripted session in
# the i686 DLL and prints its transcript; the screenshots go to the output
# folder. Run by scripts/main.sh through tools/vm32/run.sh.
#   main-job.sh SESSION [FINALE.EXE options]
# shellcheck source=tools/vm32/guest.sh
. /vm/tree/tools/vm32/guest.sh
wine_up
mkdir -p /vm/out/screenshots
t0=$(now_ms)
/vm/tree/tools/wine-run.sh /vm/tree/build/win32/bin/FINALE.EXE --session "$1" --screenshots Z:/vm/out/screenshots \
  "${@:2}" | sed 's/\r//g'
status=${PIPESTATUS[0]}
echo "vm32: the whole job took $(seconds_since "$t0") s (exit $status)"
wineserver -k 2>/dev/null
exit "$status"

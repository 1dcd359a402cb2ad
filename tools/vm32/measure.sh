#!/bin/bash
# The figures of the product in the guest: FINALE.EXE --measure, the i686 DLL
# in 32-bit Wine ("&Apply" at two sizes, opening the tool window, the
# open/close cycles). Run by scripts/bench.sh through tools/vm32/run.sh.
# shellcheck source=tools/vm32/guest.sh
. /vm/tree/tools/vm32/guest.sh
wine_up
program measure /vm/tree/tools/wine-run.sh /vm/tree/build/win32/bin/FINALE.EXE --measure
sed 's/\r//g' /vm/out/measure.log
wine_down

#!/bin/bash
# Runs one command line in the guest's 32-bit Windows, for trying things by
# hand: tools/vm32/run.sh tools/vm32/exec.sh tools/wine-run.sh build/win32/bin/FINALE.EXE --run-tests
# Paths are the tree's, relative to its top (the guest's /vm/tree).
# shellcheck source=tools/vm32/guest.sh
. /vm/tree/tools/vm32/guest.sh
wine_up
program exec "$@"
sed 's/\r//g' /vm/out/exec.log
wine_down

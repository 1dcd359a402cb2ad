#!/usr/bin/env bash
# Builds the optimised native preset and both Windows host programs, then
# prints the benchmark's figures: the sync and the tool window natively, the
# same tool window and "&Apply" in the real x64 DLL under Wine, and in the
# product, the i686 DLL in the virtual machine's 32-bit Windows, in one run
# on one machine.
set -euo pipefail
cd "$(dirname "$0")/.." || exit 1
scripts/setup.sh
cmake --preset release >/dev/null
cmake --build --preset release --target bench_sync bench_window bench_settings
build/release/bench/bench_sync
build/release/bench/bench_window
build/release/bench/bench_settings
cmake --preset win64 >/dev/null
cmake --build --preset win64 --target finale_host
echo
echo "The real DLL in Wine (FINALE.EXE --measure):"
tools/wine-run.sh build/win64/bin/FINALE.EXE --measure
cmake --preset win32 >/dev/null
cmake --build --preset win32 --target qvperfcopy finale_host
echo
echo "The product, the i686 DLL in 32-bit Wine in the virtual machine (FINALE.EXE --measure):"
tools/vm32/run.sh tools/vm32/measure.sh | grep -v '^vm32 guest: '

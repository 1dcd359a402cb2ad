#!/usr/bin/env bash
# Builds the optimised native preset and the 64-bit Windows host program,
# then prints the benchmark's figures: the sync and the tool window natively,
# and the same tool window and "&Apply" in the real DLL under Wine, in one run
# on one machine.
set -euo pipefail
cd "$(dirname "$0")/.."
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

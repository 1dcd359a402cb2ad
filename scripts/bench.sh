#!/usr/bin/env bash
# Builds the optimised native preset and prints the sync benchmark's figures.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake --preset release >/dev/null
cmake --build --preset release --target bench_sync bench_window
build/release/bench/bench_sync
build/release/bench/bench_window

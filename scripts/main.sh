#!/usr/bin/env bash
# The main job: builds the plug-in DLL for 32-bit Windows (the product) and
# 64-bit Windows (what runs under Wine here), then runs the plug-in's sync on
# the bundled sample score in the simulated host and shows what it changed.
# Arguments, if any, go to qvperfcopy-sync (see its --help).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
for preset in win32 win64; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" --target qvperfcopy
done
cmake --preset release >/dev/null
cmake --build --preset release --target qvperfcopy-sync
echo
echo "Built build/win32/bin/qvperfcopy.fxt (PE32, the product) and build/win64/bin/qvperfcopy.fxt (PE32+)."
echo
build/release/cli/qvperfcopy-sync "$@"

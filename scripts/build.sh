#!/usr/bin/env bash
# The main job: builds the plug-in DLL for 32-bit Windows (the product) and
# for 64-bit Windows (what runs under Wine here).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
for preset in win32 win64; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" --target qvperfcopy
done
echo
echo "Built:"
echo "  build/win32/bin/qvperfcopy.fxt  (PE32, for the host)"
echo "  build/win64/bin/qvperfcopy.fxt  (PE32+, for running under Wine)"

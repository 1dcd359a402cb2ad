#!/usr/bin/env bash
# The main job: builds the plug-in DLL for 32-bit Windows (the product) and
# 64-bit Windows, then runs the whole job on the bundled sample score: the
# menu command, choosing the source staff, the field choices, "&Apply" with
# its questions answered, a resize, "&Close" and the host's unloading of the
# plug-in, and prints the transcript (every box, every changed value, the
# undo step and the settings file at the end).
# Arguments, if any, go to qvperfcopy-session (see its --help); without any,
# it runs samples/whole-job.session.json.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
for preset in win32 win64; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" --target qvperfcopy
done
cmake --preset release >/dev/null
cmake --build --preset release --target qvperfcopy-session qvperfcopy-sync
echo
echo "Built build/win32/bin/qvperfcopy.fxt (PE32, the product) and build/win64/bin/qvperfcopy.fxt (PE32+)."
echo
if [ $# -eq 0 ]; then
  set -- samples/whole-job.session.json
fi
build/release/cli/qvperfcopy-session "$@"

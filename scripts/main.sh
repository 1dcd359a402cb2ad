#!/usr/bin/env bash
# The main job: builds the plug-in for 32-bit Windows (the product) and for
# 64-bit Windows, then runs the whole job in the real 64-bit DLL under Wine,
# headless: the host program FINALE.EXE loads the DLL, and a scripted session
# opens the tool window from the menu, chooses the source staff and the
# fields, clicks "&Apply", undoes and applies again, resizes the window,
# closes it and unloads the plug-in. It prints the transcript (every box,
# every changed value, the undo steps and the settings file at the end) and
# where the screenshots are.
#
#   scripts/main.sh [--native] [SESSION.json] [--score S] [--settings F]
#                   [--output O] [--settings-output F]
#
# Without a session file it runs samples/whole-job.session.json on
# samples/quartet.json. --native runs the same session on the stand-in
# instead of Wine. The other options go to the session.
set -euo pipefail
cd "$(dirname "$0")/.."
native=0
session=samples/whole-job.session.json
options=()
while [ $# -gt 0 ]; do
  case "$1" in
    --native) native=1 ;;
    --score|--settings|--output|--settings-output)
      [ $# -ge 2 ] || { echo "main.sh: $1 needs a value" >&2; exit 2; }
      options+=("$1" "$2"); shift ;;
    --*) echo "main.sh: unknown option $1" >&2; exit 2 ;;
    *) session=$1 ;;
  esac
  shift
done
scripts/setup.sh
for preset in win32 win64; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" --target qvperfcopy
done
echo "Built build/win32/bin/qvperfcopy.fxt (PE32, the product) and build/win64/bin/qvperfcopy.fxt (PE32+)."
echo
if [ "$native" = 1 ]; then
  cmake --preset release >/dev/null
  cmake --build --preset release --target qvperfcopy-session
  exec build/release/cli/qvperfcopy-session "$session" "${options[@]}"
fi
cmake --build --preset win64 --target finale_host
# Paths for Wine: absolute, on its Z: drive.
wine_path() { echo "Z:$(realpath -m "$1")"; }
wine_options=()
for ((i = 0; i < ${#options[@]}; i += 2)); do
  wine_options+=("${options[i]}" "$(wine_path "${options[i + 1]}")")
done
shots=build/win64/screenshots/main-job
rm -rf "$shots"
mkdir -p "$shots"
set +e
tools/wine-run.sh build/win64/bin/FINALE.EXE --session "$(wine_path "$session")" \
  --screenshots "$(wine_path "$shots")" "${wine_options[@]}" | tr -d '\r'
status=${PIPESTATUS[0]}
set -e
for picture in "$shots"/*.bmp; do
  [ -e "$picture" ] || continue
  /usr/bin/convert "$picture" "${picture%.bmp}.png" && rm -f "$picture"
done
echo
echo "Screenshots: $(ls "$shots"/*.png 2>/dev/null | tr '\n' ' ')"
exit "$status"

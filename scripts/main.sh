#!/usr/bin/env bash
# The main job: builds the plug-in for 32-bit Windows (the product) and runs
# the whole job in it, headless: the host program FINALE.EXE loads the DLL,
# and a scripted session opens the tool window from the menu, chooses the
# source staff and the fields, clicks "&Apply", undoes and applies again,
# resizes the window, closes it and unloads the plug-in. It prints the
# transcript (every box, every changed value, the undo steps and the
# settings file at the end) and where the screenshots are.
#
#   scripts/main.sh [--x64 | --native] [--verbose] [SESSION.json] [--score S]
#                   [--settings F] [--output O] [--settings-output F]
#
# By default the i686 DLL and the i686 FINALE.EXE run in 32-bit Windows in
# the virtual machine (tools/vm32), as in a user's 32-bit host. --x64 runs
# the x64 build of the same sources under wine64 on this machine instead
# (quicker), and --native the stand-in. Without a session file it runs
# samples/whole-job.session.json on samples/quartet.json. The other options
# go to the session. Build output goes to build/logs/main-*.log; --verbose
# prints it.
set -uo pipefail
cd "$(dirname "$0")/.." || exit 1
target=vm32
verbose=0
session=samples/whole-job.session.json
options=()
while [ $# -gt 0 ]; do
  case "$1" in
    --native) target=native ;;
    --x64) target=x64 ;;
    --verbose) verbose=1 ;;
    --score|--settings|--output|--settings-output)
      [ $# -ge 2 ] || { echo "main.sh: $1 needs a value" >&2; exit 2; }
      options+=("$1" "$2"); shift ;;
    --*) echo "main.sh: unknown option $1" >&2; exit 2 ;;
    *) session=$1 ;;
  esac
  shift
done
logs=build/logs
mkdir -p "$logs"

# One line per phase; the phase's output goes to its log, whose end is
# printed when it fails.
phase() {
  local name=$1 t0
  shift
  t0=$(date +%s)
  if [ "$verbose" = 1 ]; then
    "$@" 2>&1 | tee "$logs/main-$name.log"
  else
    "$@" >"$logs/main-$name.log" 2>&1
  fi
  local result=${PIPESTATUS[0]}
  if [ "$result" -ne 0 ]; then
    echo "$name: FAILED ($(( $(date +%s) - t0 )) s); the end of $logs/main-$name.log:"
    [ "$verbose" = 1 ] || tail -n 30 "$logs/main-$name.log" | sed 's/^/    /'
    exit "$result"
  fi
  echo "$name: done ($(( $(date +%s) - t0 )) s)"
}

# shellcheck disable=SC2317  # called through phase
build() {
  cmake --preset "$1" && cmake --build --preset "$1" --target "${@:2}"
}

phase setup scripts/setup.sh
phase build-win32 build win32 qvperfcopy finale_host
echo "Built build/win32/bin/qvperfcopy.fxt (PE32, the product)."

# Paths for Wine: absolute, on its Z: drive, as the program running there
# sees them (the virtual machine shows the tree at /vm/tree).
wine_path() {
  local path
  path=$(realpath -m "$1")
  if [ "$target" = vm32 ]; then
    case "$path" in
      "$PWD"/*) path=/vm/tree/${path#"$PWD"/} ;;
      *) echo "main.sh: the virtual machine sees only the tree, not $1: copy it into the tree or use --x64" >&2
         return 1 ;;
    esac
  fi
  echo "Z:$path"
}
case "$target" in
  native)
    phase build-native build release qvperfcopy-session
    exec build/release/cli/qvperfcopy-session "$session" "${options[@]}"
    ;;
  x64)
    phase build-win64 build win64 qvperfcopy finale_host
    shots=build/win64/screenshots/main-job
    ;;
  vm32)
    shots=build/vm32/screenshots
    ;;
esac
# The guest sees the tree read-only: its output files are written to the
# output folder and copied to where they were asked for.
wine_options=()
copies=()
for ((i = 0; i < ${#options[@]}; i += 2)); do
  option=${options[i]} file=${options[i + 1]}
  if [ "$target" = vm32 ] && { [ "$option" = --output ] || [ "$option" = --settings-output ]; }; then
    wine_options+=("$option" "Z:/vm/out/${option#--}-$(basename "$file")")
    copies+=("build/vm32/${option#--}-$(basename "$file")" "$file")
  else
    wine_options+=("$option" "$(wine_path "$file")") || exit 2
  fi
done
echo
set +e
if [ "$target" = vm32 ]; then
  echo "The whole job in the i686 DLL and FINALE.EXE, in 32-bit Windows in the virtual machine."
  echo "The first run on a machine sets it up (about 2 minutes here, longer on a busy machine) and makes"
  echo "its Wine prefix (about 1 to 5 minutes); later runs reuse both and take about 1 to 2 minutes."
  guest_session=$(wine_path "$session") || exit 2
  tools/vm32/run.sh tools/vm32/main-job.sh "$guest_session" "${wine_options[@]}" |
    grep -v -E '^vm32 guest: |^vm32: (guest i686|prefix restored)'
  status=${PIPESTATUS[0]}
  for ((i = 0; i < ${#copies[@]}; i += 2)); do
    [ -f "${copies[i]}" ] && cp "${copies[i]}" "${copies[i + 1]}"
  done
else
  rm -rf "$shots"
  mkdir -p "$shots"
  tools/wine-run.sh build/win64/bin/FINALE.EXE --session "$(wine_path "$session")" \
    --screenshots "$(wine_path "$shots")" "${wine_options[@]}" | tr -d '\r'
  status=${PIPESTATUS[0]}
fi
set -e
for picture in "$shots"/*.bmp; do
  [ -e "$picture" ] || continue
  /usr/bin/convert "$picture" "${picture%.bmp}.png" && rm -f "$picture"
done
echo
echo "Screenshots: $(find "$shots" -maxdepth 1 -name '*.png' -printf '%p ' 2>/dev/null | sort)"
exit "$status"

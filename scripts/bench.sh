#!/usr/bin/env bash
# Builds the optimised native preset and both Windows host programs, then
# prints the benchmark's figures: the sync and the tool window natively, the
# same tool window and "&Apply" in the real x64 DLL under Wine, and in the
# product, the i686 DLL in the virtual machine's 32-bit Windows, in one run
# on one machine.
#
#   scripts/bench.sh [--orchestral]
#
# The orchestral score (30 parts x 500 measures, 210,000 notes) comes first,
# side by side in one run: a bare parse (xmllint --noout), qvperfcopy-sync
# reading it, syncing every part from staff 1 at 100 % and writing it, with
# and without drawing the picture (--picture), and the web page doing the
# same in headless chromium, with the part of its Apply that drew the
# picture and the time from Play to the first sound for 8 measures; the
# same with --midi; MuseScore 3's import and save of the same file with
# QV_BENCH_MUSESCORE=1 (minutes). --orchestral prints only that table.
set -euo pipefail
cd "$(dirname "$0")/.." || exit 1
[ "${QV_SKIP_SETUP:-0}" = 1 ] || scripts/setup.sh
cmake --preset release >/dev/null
cmake --build --preset release --target bench_sync bench_window bench_settings bench_music_xml qvperfcopy-sync

# Median seconds and peak MiB of RUNS runs of a command: "S M".
measure() {  # runs, command...
  local runs=$1 times=() peaks=() line
  shift
  for _ in $(seq "$runs"); do
    line=$(/usr/bin/time -f '%e %M' "$@" 2>&1 >/dev/null | tail -n 1) || { echo "bench.sh: $* failed" >&2; return 1; }
    times+=("${line% *}")
    peaks+=("${line#* }")
  done
  printf '%s %s\n' "$(printf '%s\n' "${times[@]}" | sort -n | sed -n "$(( (runs + 1) / 2 ))p")" \
    "$(( $(printf '%s\n' "${peaks[@]}" | sort -n | tail -n 1) / 1024 ))"
}

orchestral() {
  local work score size parse sync page total musescore
  work=$(mktemp -d)
  score=$work/orchestral.musicxml
  build/release/bench/bench_music_xml --write "$score" || { echo "bench.sh: writing the orchestral score failed" >&2; return 1; }
  size=$(stat -c %s "$score")
  QV_SKIP_SETUP=1 scripts/web.sh >/dev/null || { echo "bench.sh: building the web page failed" >&2; return 1; }
  (cd web/tests && PUPPETEER_SKIP_DOWNLOAD=1 npm ci --no-audit --no-fund >/dev/null) \
    || { echo "bench.sh: npm ci in web/tests failed" >&2; return 1; }
  parse=$(measure 5 xmllint --noout "$score")
  sync=$(measure 5 build/release/cli/qvperfcopy-sync "$score" --source 1 --velocity 100 --start-time 100 \
    --end-time 100 --output "$work/out.musicxml")
  drawn=$(measure 5 build/release/cli/qvperfcopy-sync "$score" --source 1 --velocity 100 --start-time 100 \
    --end-time 100 --output "$work/out.musicxml" --picture "$work/out.svg")
  midi=$(measure 5 build/release/cli/qvperfcopy-sync "$score" --source 1 --velocity 100 --start-time 100 \
    --end-time 100 --output "$work/out.musicxml" --midi "$work/out.mid")
  page=$(node web/tests/bench.mjs build/web/index.html "$score" 3) || { echo "bench.sh: the page's run failed" >&2; return 1; }
  total=$(sed -n 's/.*total \([0-9.]*\) s.*/\1/p' <<<"$page")
  [ -n "$total" ] || { echo "bench.sh: no total in the page's figures: $page" >&2; return 1; }
  echo "The orchestral score: 30 parts x 500 measures, $size bytes of MusicXML"
  printf '  %-58s %8s %10s\n' step seconds "peak MiB"
  printf '  %-58s %8s %10s\n' "xmllint --noout (a bare parse), median of 5" "${parse% *}" "${parse#* }"
  printf '  %-58s %8s %10s\n' "qvperfcopy-sync: read, sync at 100 %, write; median of 5" "${sync% *}" "${sync#* }"
  printf '  %-58s %8s %10s\n' "the same with --picture; median of 5" "${drawn% *}" "${drawn#* }"
  echo "  the picture: $(stat -c %s "$work/out.svg") bytes, $(awk -v with="${drawn% *}" -v without="${sync% *}" \
    'BEGIN { printf "%.1f", 100 * (with - without) / without }') % more time than the sync without it"
  printf '  %-58s %8s %10s\n' "the same with --midi; median of 5" "${midi% *}" "${midi#* }"
  echo "  the MIDI file: $(stat -c %s "$work/out.mid") bytes, $(awk -v with="${midi% *}" -v without="${sync% *}" \
    'BEGIN { printf "%.1f", 100 * (with - without) / without }') % more time than the sync without it"
  echo "  the page in headless chromium, $page: $(awk -v page="$total" -v tool="${sync% *}" \
    'BEGIN { printf "%.2f", page / tool }') x the command line"
  if [ "${QV_BENCH_MUSESCORE:-0}" = 1 ]; then
    musescore=$(QT_QPA_PLATFORM=offscreen measure 1 timeout 900 mscore3 -o "$work/out.mscz" "$score")
    printf '  %-58s %8s %10s\n' "MuseScore 3: import and save (mscore3 -o), once" "${musescore% *}" "${musescore#* }"
  fi
  rm -rf "$work"
}
orchestral
[ "${1:-}" = --orchestral ] && exit 0
echo
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

#!/usr/bin/env bash
# Builds everything and runs every test: the native unit tests (with
# AddressSanitizer and UndefinedBehaviorSanitizer), the same tests built for
# i386 and run under qemu-i386 (UndefinedBehaviorSanitizer), the checks on
# both DLLs, the Windows host program that runs the real x64 DLL under Wine,
# the product itself (the i686 DLL driven by the i686 FINALE.EXE in the
# virtual machine's 32-bit Windows), the fault sweep, the fuzzers and the
# copy on real scores.
#
#   scripts/test.sh [--verbose]
#
# Each phase prints one line with its result and time; its whole output goes
# to build/logs/PHASE.log, whose last lines are printed when it fails.
# --verbose prints every line instead.
set -uo pipefail
cd "$(dirname "$0")/.." || exit 1
verbose=0
[ "${1:-}" = --verbose ] && verbose=1
logs=build/logs
mkdir -p "$logs"
status=0
passed=0
failed=0
start=$(date +%s)

# Runs a phase's command into its log (and the terminal with --verbose).
# Sets phase_seconds; answers the command's status.
run_logged() {
  local name=$1
  shift
  local t0
  t0=$(date +%s)
  if [ "$verbose" = 1 ]; then
    "$@" 2>&1 | tee "$logs/$name.log"
  else
    "$@" >"$logs/$name.log" 2>&1
  fi
  local result=${PIPESTATUS[0]}
  phase_seconds=$(( $(date +%s) - t0 ))
  return "$result"
}

report() {  # name, result, what
  local name=$1 result=$2 what=$3
  if [ "$result" -eq 0 ]; then
    printf '%-12s %s (%d s)\n' "$name:" "$what" "$phase_seconds"
  else
    status=1
    printf '%-12s FAILED: %s (%d s)\n' "$name:" "$what" "$phase_seconds"
    [ "$verbose" = 1 ] && return
    # What failed and why, from anywhere in the log: ctest's verdicts with
    # their times, and the test framework's failures with the lines after.
    local why
    why=$(grep -E -A3 '\*\*\*(Failed|Timeout|Exception)|: Failure$|FAIL|Sanitizer' "$logs/$name.log" 2>/dev/null)
    if [ -n "$why" ]; then
      printf '    the failures in %s (at most 60 lines):\n' "$logs/$name.log"
      printf '%s\n' "$why" | awk 'NR <= 60 { print "    " $0 }'
    fi
    printf '    the end of %s:\n' "$logs/$name.log"
    tail -n 30 "$logs/$name.log" | sed 's/^/    /'
  fi
}

# Adds a log's "N passed, N failed" line (ctest's or a script's) to the totals
# and prints it as the phase's result.
count() {  # name, result, pattern
  local name=$1 result=$2 summary good bad
  summary=$(grep -E "$3" "$logs/$name.log" 2>/dev/null | tail -n 1)
  if [[ $summary =~ ([0-9]+)\ tests\ failed\ out\ of\ ([0-9]+) ]]; then
    bad=${BASH_REMATCH[1]}
    good=$(( BASH_REMATCH[2] - bad ))
  elif [[ $summary =~ ([0-9]+)\ passed,\ ([0-9]+)\ failed ]]; then
    good=${BASH_REMATCH[1]}
    bad=${BASH_REMATCH[2]}
  else
    failed=$((failed + 1))
    report "$name" 1 "no test summary in the log"
    return
  fi
  passed=$((passed + good))
  failed=$((failed + bad))
  [ "$bad" -eq 0 ] || result=1
  # A phase that ran nothing proves nothing.
  if [ $((good + bad)) -eq 0 ]; then
    failed=$((failed + 1))
    report "$name" 1 "no test ran"
    return
  fi
  report "$name" "$result" "$good passed, $bad failed"
}

run_logged setup scripts/setup.sh
report setup $? "packages and sources"
[ "$status" -eq 0 ] || exit 1

# A temporary folder of this run's own: every test and tool writes its
# files there, and the run fails if anything is left in it at the end.
run_tmp=$(mktemp -d "${TMPDIR:-/tmp}/qvperfcopy-test-run.XXXXXX") || { echo "test.sh: no temporary folder"; exit 1; }
# Wine's server keeps a folder of its own in the temporary folder, which
# outlives the server: Wine gets a temporary folder of its own beside it.
QV_WINE_TMPDIR=$(mktemp -d "${TMPDIR:-/tmp}/qvperfcopy-test-wine.XXXXXX") || { echo "test.sh: no temporary folder"; exit 1; }
export QV_WINE_TMPDIR
export TMPDIR=$run_tmp

# Every shell script, checked before anything runs them.
run_logged shellcheck scripts/shellcheck.sh
count shellcheck $? '^shellcheck: [0-9]+ passed, [0-9]+ failed'
# Two set-ups at once wait for each other at the package locks.
run_logged apt-lock tests/scripts/apt-lock.sh
count apt-lock $? '^apt-lock: [0-9]+ passed, [0-9]+ failed'

# One virtual screen for every Windows program the tests start under Wine.
# Xvfb picks a free display and writes its number once it takes clients.
xvfb_pid=""
if [ -z "${DISPLAY:-}" ]; then
  exec {display_fd}<> <(:)
  Xvfb -displayfd "$display_fd" -screen 0 1024x768x24 -nolisten tcp >"$logs/xvfb.log" 2>&1 &
  xvfb_pid=$!
  if read -r -t 60 -u "$display_fd" display && [ -n "$display" ]; then
    export DISPLAY=":$display"
  else
    echo "test.sh: the virtual screen did not start: $(tail -n 1 "$logs/xvfb.log")"
    kill "$xvfb_pid" 2>/dev/null
    exit 1
  fi
  exec {display_fd}<&-
fi
# One Wine prefix for every program run under Wine.
export WINEPREFIX=${WINEPREFIX:-$PWD/build/win64/wineprefix}

# shellcheck disable=SC2317  # called through run_logged
build() { cmake --preset "$1" && cmake --build --preset "$1"; }
for preset in native native32 win32 win64; do
  run_logged "$preset-build" build "$preset"
  result=$?
  report "$preset-build" "$result" "built"
  [ "$result" -eq 0 ] || continue
  run_logged "$preset" ctest --preset "$preset"
  count "$preset" $? 'tests passed, [0-9]+ tests failed out of [0-9]+'
done

# The product: the i686 DLL and FINALE.EXE in the virtual machine's 32-bit
# Windows, in one boot.
run_logged vm32 tools/vm32/run.sh tools/vm32/product-tests.sh
count vm32 $? '^vm32: [0-9]+ passed, [0-9]+ failed'
grep -E '^vm32: .*(ok|FAILED)|^vm32: (new prefix|prefix|desktop|guest done)' "$logs/vm32.log" | sed 's/^/    /'

# The fault sweep over the whole job (every host call failing, then
# answering nonsense, and every host function missing), on the native build.
run_logged faults env QV_SKIP_SETUP=1 scripts/faults.sh
count faults $? '^faults: [0-9]+ passed, [0-9]+ failed'
# Every fuzz harness for 30 seconds (scripts/fuzz.sh runs them longer).
run_logged fuzz scripts/fuzz.sh 30
count fuzz $? '^fuzz: [0-9]+ passed, [0-9]+ failed'
# The copy on MuseScore's demo scores, read back by MuseScore.
run_logged real-scores env QV_SKIP_SETUP=1 scripts/real-scores.sh
count real-scores $? '^real-scores: [0-9]+ passed, [0-9]+ failed'
# The web page in headless chromium, on fixtures and a demo score converted above.
run_logged web env QV_SKIP_SETUP=1 scripts/web.sh --test
count web $? '^web: [0-9]+ passed, [0-9]+ failed'

# The release folder from a build of its own: installer, zip and checksums,
# signed with a throw-away certificate and verified.
run_logged release tests/scripts/signed-release.sh build/dist-check
count release $? '^release: [0-9]+ passed, [0-9]+ failed'
echo "    the release folder: $(find build/dist-check -mindepth 1 -maxdepth 1 -printf '%f ' 2>/dev/null | tr -s ' ')"
# Each library the release's builds linked in has its notice in what ships.
run_logged notices tests/scripts/notices-complete.sh build/dist-check build/release-win32 build/web-wasm
count notices $? '^notices: [0-9]+ passed, [0-9]+ failed'

# The release's own MSI in the virtual machine's 32-bit Windows: installed
# next to the i686 FINALE.EXE, loaded, refused, upgraded to and removed.
run_logged vm32-release tools/vm32/release-msi.sh build/dist-check
count vm32-release $? '^vm32: [0-9]+ passed, [0-9]+ failed'

# Wine's processes end before their screen does.
wineserver=/usr/lib/wine/wineserver64
[ -x "$wineserver" ] || wineserver=$(dpkg -L wine64 2>/dev/null | awk '/\/wineserver(64)?$/ && !found { print; found = 1 }')
# Run as Wine is, with Wine's temporary folder: it makes its server's folder
# there even when no server runs.
[ -n "$wineserver" ] && TMPDIR=$QV_WINE_TMPDIR "$wineserver" -k 2>/dev/null
[ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null

# Nothing may be left in the run's temporary folder.
left=$(find "$run_tmp" -mindepth 1 -maxdepth 3 2>/dev/null)
if [ -n "$left" ]; then
  status=1
  failed=$((failed + 1))
  echo "temp:        FAILED: the run left files in its temporary folder:"
  sed -n 's/^/    /; 1,20p' <<<"$left"
else
  passed=$((passed + 1))
  echo "temp:        nothing left in the temporary folder"
fi
rm -rf "$run_tmp" "$QV_WINE_TMPDIR"
# Screenshots taken under Wine and in the virtual machine, as PNG beside
# their BMP originals.
for picture in build/win64/screenshots/*.bmp build/vm32/screenshots/*.bmp; do
  [ -e "$picture" ] || continue
  /usr/bin/convert "$picture" "${picture%.bmp}.png" && rm -f "$picture"
done
echo "screenshots: build/win64/screenshots/, build/vm32/screenshots/ and build/screenshots/installer/; logs: $logs/"
echo "time: $(( $(date +%s) - start )) s"
echo "tests: $passed passed, $failed failed"
exit $status

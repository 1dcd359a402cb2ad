#!/usr/bin/env bash
# Builds everything and runs every test: the native unit tests (with
# AddressSanitizer and UndefinedBehaviorSanitizer), the same tests built for
# i386 and run under qemu-i386 (UndefinedBehaviorSanitizer), the checks on
# both DLLs, and the Windows host program that runs the real DLL under Wine.
set -uo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh || exit 1
status=0
passed=0
failed=0
log=$(mktemp)
# One virtual screen for every Windows program the tests start under Wine.
xvfb_pid=""
if [ -z "${DISPLAY:-}" ]; then
  for n in $(seq 90 120); do
    [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    sleep 1
    if kill -0 "$xvfb_pid" 2>/dev/null; then export DISPLAY=":$n"; break; fi
    xvfb_pid=""
  done
fi
# One Wine prefix for every program run under Wine.
export WINEPREFIX=${WINEPREFIX:-$PWD/build/win64/wineprefix}
start=$(date +%s)
for preset in native native32 win32 win64; do
  echo "== $preset =="
  if cmake --preset "$preset" >/dev/null && cmake --build --preset "$preset"; then
    ctest --preset "$preset" 2>&1 | tee "$log"
    [ "${PIPESTATUS[0]}" -eq 0 ] || status=1
    summary=$(grep -E 'tests passed, [0-9]+ tests failed out of [0-9]+' "$log" | tail -n 1)
    if [ -z "$summary" ]; then
      status=1
    else
      total=$(echo "$summary" | sed -E 's/.*out of ([0-9]+).*/\1/')
      bad=$(echo "$summary" | sed -E 's/.*, ([0-9]+) tests failed.*/\1/')
      passed=$((passed + total - bad))
      failed=$((failed + bad))
    fi
  else
    echo "build of $preset failed"
    status=1
  fi
done
# Adds the "NAME: N passed, N failed" line of a script's log to the totals.
add_summary() {
  local summary
  summary=$(grep -E "^$1: [0-9]+ passed, [0-9]+ failed" "$log" | tail -n 1)
  if [ -z "$summary" ]; then
    status=1
    return
  fi
  passed=$((passed + $(echo "$summary" | sed -E 's/.*: ([0-9]+) passed.*/\1/')))
  failed=$((failed + $(echo "$summary" | sed -E 's/.*, ([0-9]+) failed/\1/')))
}
# The fault sweep over the whole job (every host call failing, then
# answering nonsense, and every host function missing), on the native build.
echo "== faults =="
QV_SKIP_SETUP=1 scripts/faults.sh | tee "$log"
[ "${PIPESTATUS[0]}" -eq 0 ] || status=1
add_summary faults
# Every fuzz harness for 30 seconds (scripts/fuzz.sh runs them longer).
echo "== fuzz =="
scripts/fuzz.sh 30 | tee "$log"
[ "${PIPESTATUS[0]}" -eq 0 ] || status=1
add_summary fuzz
# The copy on MuseScore's demo scores, read back by MuseScore.
echo "== real scores =="
QV_SKIP_SETUP=1 scripts/real-scores.sh | tee "$log"
[ "${PIPESTATUS[0]}" -eq 0 ] || status=1
add_summary real-scores
rm -f "$log"
# Wine's processes end before their screen does.
if [ -n "$xvfb_pid" ]; then
  wineserver=$(dpkg -L wine64 2>/dev/null | grep '/wineserver$' | head -n 1)
  [ -n "$wineserver" ] && "$wineserver" -k 2>/dev/null
  kill "$xvfb_pid" 2>/dev/null
fi
# Screenshots taken under Wine and Xvfb, as PNG beside their BMP originals.
for picture in build/win64/screenshots/*.bmp; do
  [ -e "$picture" ] || continue
  /usr/bin/convert "$picture" "${picture%.bmp}.png" && rm -f "$picture"
done
echo "screenshots: $(ls build/win64/screenshots/*.png 2>/dev/null | tr '\n' ' ')"
echo
echo "time: $(( $(date +%s) - start )) s"
echo "tests: $passed passed, $failed failed"
exit $status

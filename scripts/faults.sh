#!/usr/bin/env bash
# The fault sweep: runs the whole-job session (tests/fixtures/sessions/
# sweep.session.json: invoke, choose, type, Apply with its questions, close,
# terminate) natively with ASan and UBSan, once per fault:
#   - each host function missing;
#   - for every N up to the session's host-call count, host call N failing
#     with its failure value, then answering nonsense (a size past the
#     buffer, a key that does not move, a negative number).
# A run passes when it ends without a sanitizer report and leaves no edit
# open, no frame loaded, the score as it was (or its kept edits undo to it)
# and every other plug-in's settings line intact. A session may stop at a
# step a fault makes impossible (exit status 2 with that step's line). Prints how many runs passed, of how many.
#   scripts/faults.sh [--sample K]    every K-th N only (CI's fixed sample)
# QV_FAULTS_TOOL names another session program, for the sweep's own test.
set -uo pipefail
cd "$(dirname "$0")/.." || exit 1
step=1
if [ "${1:-}" = --sample ]; then step=${2:-10}; fi
if [ "${QV_SKIP_SETUP:-0}" != 1 ]; then
  scripts/setup.sh || exit 1
  cmake --preset native >/dev/null && cmake --build --preset native --target qvperfcopy-session || exit 1
fi
tool=${QV_FAULTS_TOOL:-build/native/cli/qvperfcopy-session}
session=tests/fixtures/sessions/sweep.session.json
calls=$("$tool" "$session" --check --count-calls | sed -n 's/^host calls: //p')
[ -n "$calls" ] || { echo "faults: the session does not run"; exit 1; }
functions=$(sed -n 's/.*SIMHOST_EXPORT_ENTRY(\(FX_[A-Za-z0-9_]*\)).*/\1/p' simhost/FunctionTable.cpp)
[ -n "$functions" ] || { echo "faults: no host functions found in simhost/FunctionTable.cpp"; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
runs=$work/runs
: >"$runs"
for f in $functions; do echo "--host-lacks $f" >>"$runs"; done
for ((n = 1; n <= calls; n += step)); do
  echo "--faulty-call $n" >>"$runs"
  echo "--nonsense-call $n" >>"$runs"
done
run_one() {
  local out status
  local options
  read -ra options <<<"$1"
  out=$("$tool" "$session" --check "${options[@]}" 2>&1 >/dev/null)
  status=$?
  # The output is searched as a whole string: a reader that stops at its
  # first match must not be what decides.
  # Exit status 2 passes only for a step the fault made impossible: a
  # command line the tool refused exits with 2 as well.
  if { [ "$status" -eq 0 ] || { [ "$status" -eq 2 ] && grep -q '^qvperfcopy session: step ' <<<"$out"; }; } &&
     ! grep -qE 'Sanitizer|runtime error' <<<"$out"; then
    echo pass
  else
    echo "FAIL ($1, exit $status): $(awk 'NF && shown < 3 { printf "%s ", $0; shown++ }' <<<"$out")"
  fi
}
export -f run_one
export tool session
start=$(date +%s)
xargs -P 2 -I{} bash -c 'set -uo pipefail; run_one "$@"' _ {} <"$runs" >"$work/results"
# Every planned run must have reported: a run that died without a line is
# a failure, not a run that did not count.
planned=$(wc -l <"$runs")
passed=$(grep -c '^pass$' "$work/results")
awk '$0 != "pass" && shown < 20 { print; shown++ }' "$work/results"
echo "host calls in the session: $calls; time: $(( $(date +%s) - start )) s"
echo "faults: $passed passed, $((planned - passed)) failed"
[ "$planned" -gt 0 ] && [ "$passed" -eq "$planned" ]

#!/usr/bin/env bash
# Runs a scripted session in FINALE.EXE under Wine and compares its
# transcript with the expected one, which the stand-in gives natively.
# Usage: wine-session.sh FINALE.EXE SESSION.json EXPECTED.txt [FINALE.EXE options]
# The transcripts go to ../sessions beside the program, or $QV_SESSION_RESULTS.
set -uo pipefail
exe=$1 session=$2 expected=$3
shift 3
here=$(cd "$(dirname "$0")" && pwd)
results=${QV_SESSION_RESULTS:-$(dirname "$exe")/../sessions}
mkdir -p "$results"
name=$(basename "$session" .session.json)
actual=$results/$name.transcript.txt
# Where an --output went is this run's own; the file is compared by the caller.
"$here/wine-run.sh" "$exe" --session "Z:$session" "$@" 2>"$results/$name.stderr.txt" | tr -d '\r' |
  grep -v '^Wrote ' >"$actual"
status=${PIPESTATUS[0]}
if [ "$status" -ne 0 ]; then
  echo "FAIL: FINALE.EXE exited with $status on $session"
  cat "$results/$name.stderr.txt"
  exit 1
fi
if ! diff -u "$expected" "$actual"; then
  echo "FAIL: the transcript under Wine ($actual) differs from the native one ($expected)"
  exit 1
fi
echo "ok: $name gives the same transcript under Wine as natively"

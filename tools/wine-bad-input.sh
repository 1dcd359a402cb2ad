#!/usr/bin/env bash
# FINALE.EXE under Wine given bad input: each case must give one clear line
# on standard error and a non-zero exit, and never hang.
# Usage: wine-bad-input.sh FINALE.EXE SESSIONS-FOLDER
set -uo pipefail
exe=$1 sessions=$2
here=$(cd "$(dirname "$0")" && pwd)
folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
printf '{"staves": [{"number": 1}], "frames": 3}' >"$folder/damaged.json"
# A step past its limit: the limit leaves the first steps room even in the
# virtual machine's emulated Windows.
printf '{"score": "%s", "steps": ["invoke", "wait 120000"]}' "Z:$sessions/quartet-named.json" >"$folder/slow.session.json"
head -c 1500 "$sessions/../musicxml/whole_copy.musicxml" >"$folder/cut.musicxml"
printf '<?xml version="1.0"?>\n<score-timewise/>\n' >"$folder/timewise.musicxml"
printf 'PK\005\006' >"$folder/empty.mxl"
failed=0
check() {  # expected-text expected-status args...
  local want=$1 code=$2
  shift 2
  local err
  err=$(timeout 120 "$here/wine-run.sh" "$exe" "$@" 2>&1 >/dev/null | tr -d '\r')
  local status=$?
  local lines
  lines=$(printf '%s\n' "$err" | grep -c .)
  if [ "$status" -ne "$code" ] || [ "$lines" -ne 1 ] || [[ $err != *"$want"* ]]; then
    echo "FAIL: FINALE.EXE $* gave status $status and:"
    printf '%s\n' "$err" | sed 's/^/  /'
    echo "  expected status $code and one line with: $want"
    failed=1
  else
    echo "ok: $err"
  fi
}
session=Z:$sessions/whole-job.session.json
check "no-such-score.json: cannot open the file" 1 --session "$session" --score "Z:$folder/no-such-score.json"
check "damaged.json: frames: expected a list" 1 --session "$session" --score "Z:$folder/damaged.json"
check "cannot load the plug-in" 1 --session "$session" --plugin "Z:$folder/no-such-plugin.fxt"
check "is not a Finale plug-in: it does not export FinaleExtensionVersion" 1 --session "$session" \
  --plugin 'C:\windows\system32\version.dll'
check "no-such-score.json: cannot open the file" 1 "Z:$folder/no-such-score.json"
check "cut.musicxml: line 25, column 49: not well-formed XML" 1 --session "$session" --score "Z:$folder/cut.musicxml"
check "timewise.musicxml: line 2, column 1: a score-timewise file" 1 "Z:$folder/timewise.musicxml"
check "empty.mxl: not a zip archive" 1 "Z:$folder/empty.mxl"
check "whole_copy.musicxml: no part 3: the score has 2 parts" 2 --session "$session" \
  --score "Z:$sessions/../musicxml/whole_copy.musicxml" --parts 3
check "step 2 (wait 120000) did not finish within 15 s" 3 --session "Z:$folder/slow.session.json" --timeout 15
exit $failed

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
printf '{"score": "%s", "steps": ["invoke", "wait 5000"]}' "Z:$sessions/quartet-named.json" >"$folder/slow.session.json"
failed=0
check() {  # expected-text expected-status args...
  local want=$1 code=$2
  shift 2
  local err
  err=$(timeout 120 "$here/wine-run.sh" "$exe" "$@" 2>&1 >/dev/null | tr -d '\r')
  local status=$?
  local lines
  lines=$(printf '%s\n' "$err" | grep -c .)
  if [ "$status" -ne "$code" ] || [ "$lines" -ne 1 ] || ! printf '%s' "$err" | grep -qF "$want"; then
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
check "step 2 (wait 5000) did not finish within 1 s" 3 --session "Z:$folder/slow.session.json" --timeout 1
exit $failed

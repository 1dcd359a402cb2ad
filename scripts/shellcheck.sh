#!/usr/bin/env bash
# Runs shellcheck, at its default severity, over every shell script the
# repository tracks, following the files they source. Prints one line per
# script that has findings, with the findings, and ends with
# "shellcheck: N passed, N failed". Exceptions are disabled in the scripts
# themselves, each on its own line with its reason.
#   scripts/shellcheck.sh
set -euo pipefail
cd "$(dirname "$0")/.." || exit 1
command -v shellcheck >/dev/null || { echo "shellcheck.sh: shellcheck is not installed (scripts/setup.sh installs it)"; exit 1; }
mapfile -t scripts < <(git ls-files -- '*.sh' .ci/run tools/vm32/init)
[ "${#scripts[@]}" -gt 0 ] || { echo "shellcheck.sh: git lists no shell scripts here"; exit 1; }
passed=0
failed=0
for script in "${scripts[@]}"; do
  if findings=$(shellcheck -x -f gcc "$script" 2>&1); then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "FAIL: $script"
    awk '{ print "  " $0 }' <<<"${findings:-shellcheck failed without a finding}"
  fi
done
echo "shellcheck: $passed passed, $failed failed"
[ "$failed" -eq 0 ]

#!/usr/bin/env bash
# Builds the fuzz harnesses (clang-14 with libFuzzer, ASan and UBSan) and runs
# each for SECONDS (default 600) on a copy of its seed corpus in fuzz/corpus,
# then prints its executions, coverage and findings. A finding is left as a
# crash-* file in build/fuzz/findings; make it a regression test.
#   scripts/fuzz.sh [SECONDS]
set -uo pipefail
cd "$(dirname "$0")/.." || exit 1
seconds=${1:-600}
scripts/setup.sh || exit 1  # clang-14 and libFuzzer among the rest
cmake --preset fuzz >/dev/null && cmake --build --preset fuzz || exit 1
findings=build/fuzz/findings
mkdir -p "$findings"
status=0
passed=0
failed=0
for harness in settings score_file frame records dialog music_xml; do
  corpus=build/fuzz/corpus/$harness
  mkdir -p "$corpus"
  cp -n fuzz/corpus/$harness/* "$corpus/" 2>/dev/null
  log=build/fuzz/$harness.log
  build/fuzz/fuzz/fuzz_$harness -max_total_time="$seconds" -max_len=4096 -timeout=20 \
    -artifact_prefix="$findings/$harness-" "$corpus" >"$log" 2>&1
  result=$?
  summary=$(grep -E '^#[0-9]+\s+DONE' "$log" | tail -n 1)
  runs=$(grep -E '^Done [0-9]+ runs' "$log" | tail -n 1)
  if [ "$result" -eq 0 ]; then
    echo "$harness: $runs; $summary; no findings"
    passed=$((passed + 1))
  else
    echo "$harness: FINDING (exit $result):"
    grep -m 5 -E 'ERROR|property broken|SUMMARY|Test unit written' "$log" | sed 's/^/  /'
    failed=$((failed + 1))
    status=1
  fi
done
echo "fuzz: $passed passed, $failed failed"
exit $status

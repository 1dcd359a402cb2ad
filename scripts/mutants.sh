#!/usr/bin/env bash
# The mutation sweep: how many small faults in the plug-in (src/) the native
# tests notice.
#
#   scripts/mutants.sh [--count N] [--seed S] [--only REGEX]
#
# Draws N single-line mutants (60 by default) from src/, the same ones for
# the same seed and sources (a change to one line leaves the other lines'
# mutants of a seed drawn as before): a comparison or logical operator swapped, + and
# - swapped, ++ and -- swapped, an integer constant raised by one, a boolean
# result flipped, a condition negated, a statement removed. Comments and
# code only the Windows builds compile are left alone. --only keeps the
# files whose path (src/...) matches REGEX.
#
# The sources are copied into build/mutants/tree; each mutant is written
# there, never into the work tree, and built incrementally in
# build/mutants/build (Debug, AddressSanitizer and UndefinedBehaviorSanitizer
# as the native preset). A mutant is caught when one of the GoogleTest
# programs of tests/, each run whole with a time limit, fails. Mutants listed
# in scripts/mutants-equivalent.txt change nothing a caller can tell and are
# left out of the score. Exits 0 when the sweep ran, whatever the score.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

count=60
seed=1
only=
while [ $# -gt 0 ]; do
  case $1 in
    --count) count=${2:?--count needs a number}; shift 2 ;;
    --seed) seed=${2:?--seed needs a number}; shift 2 ;;
    --only) only=${2:?--only needs a pattern}; shift 2 ;;
    *) echo "mutants: unknown argument $1 (use --count N, --seed S, --only REGEX)" >&2; exit 2 ;;
  esac
done
[[ $count =~ ^[0-9]+$ ]] || { echo "mutants: --count wants a number, not $count" >&2; exit 2; }
[[ $seed =~ ^[0-9]+$ ]] || { echo "mutants: --seed wants a number, not $seed" >&2; exit 2; }

for tool in python3 cmake ninja timeout; do
  command -v "$tool" >/dev/null || { echo "mutants: $tool is missing; run scripts/setup.sh" >&2; exit 1; }
done
[ -d build/deps ] || { echo "mutants: build/deps is missing; run scripts/setup.sh" >&2; exit 1; }

helper=$root/scripts/mutants.py
equivalents=$root/scripts/mutants-equivalent.txt
work=$root/build/mutants
tree=$work/tree
build=$work/build
# The time limit of one test program.
test_limit=120
mkdir -p "$tree" "$build"
# One sweep at a time: they share the scratch tree and the build.
lock=$work/running
if ! mkdir "$lock" 2>/dev/null; then
  echo "mutants: another sweep is running (or one was killed: remove $lock)" >&2
  exit 1
fi

current=
restore() {
  if [ -n "$current" ]; then
    python3 "$helper" restore "$root" "$tree" "$current" || true
    current=
  fi
}
finish() {
  restore
  rmdir "$lock" 2>/dev/null || true
}
trap finish EXIT
trap 'finish; exit 130' INT TERM

# The scratch tree gets the sources as they are now (and loses any mutant an
# interrupted run left there).
python3 "$helper" sync "$root" "$tree"

if [ ! -f "$build/build.ninja" ]; then
  nice -n 10 cmake -S "$tree" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQV_SANITIZE=ON \
    -DQV_DEPS_DIR="$root/build/deps" -DCMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE=PRE_TEST >"$work/configure.log" 2>&1 ||
    { echo "mutants: configure failed, see $work/configure.log" >&2; exit 1; }
fi

# The test programs: every GoogleTest program built from tests/.
programs=()
while IFS= read -r name; do programs+=("$name"); done < <(
  sed -n 's/^qv_test(\([A-Za-z0-9_]*\).*/\1/p' "$tree/tests/CMakeLists.txt")
[ "${#programs[@]}" -gt 0 ] || { echo "mutants: no test programs found in tests/CMakeLists.txt" >&2; exit 1; }

# Builds the test programs (their listing of cases waits for ctest).
build_programs() {
  nice -n 10 cmake --build "$build" -j2 --target "$@" >"$work/build.log" 2>&1
}

# Builds and runs the programs one at a time, those named after the
# mutant's folder (src/data -> test_data) first, as they catch most, and
# stops at the first that fails, so a caught mutant costs one program's
# build. Answers 0 when all pass; else prints the program that failed, or
# "not built".
run_tests() {
  local folder=$1 name status ordered=()
  # The entry points are the shell's tests.
  [ "$folder" = shell ] && folder=entry_points
  for name in "${programs[@]}"; do [[ $name == *"$folder"* ]] && ordered+=("$name"); done
  for name in "${programs[@]}"; do [[ $name == *"$folder"* ]] || ordered+=("$name"); done
  for name in "${ordered[@]}"; do
    if ! build_programs "$name"; then
      echo "not built"
      return 1
    fi
    status=0
    (cd "$build/tests" && timeout "$test_limit" nice -n 10 "$build/tests/$name" >"$work/test.log" 2>&1) || status=$?
    if [ "$status" -ne 0 ]; then
      if [ "$status" -eq 124 ]; then echo "$name (time limit)"; else echo "$name"; fi
      return 1
    fi
  done
  return 0
}

started=$(date +%s)
build_programs "${programs[@]}" || { echo "mutants: the unchanged sources do not build, see $work/build.log" >&2; exit 1; }
for name in "${programs[@]}"; do
  [ -x "$build/tests/$name" ] || { echo "mutants: test program $name was not built" >&2; exit 1; }
done
if ! failing=$(run_tests none); then
  echo "mutants: the unchanged sources fail $failing, see $work/test.log" >&2
  exit 1
fi

list=$work/list
python3 "$helper" list "$root" "$equivalents" "$count" "$seed" "$only" >"$list"
drawn=$(wc -l <"$list")
[ "$drawn" -gt 0 ] || { echo "mutants: no mutants drawn (is --only too narrow?)" >&2; exit 1; }

killed=0
survived=0
unbuilt=0
equivalent=0
survivors=()
index=0
while IFS= read -r line; do
  index=$((index + 1))
  IFS=$'\t' read -r id file number operator old new known <<<"$line"
  where="$file:$number"
  if [ "$known" = equivalent ]; then
    equivalent=$((equivalent + 1))
    printf '%3d/%d %s equivalent  %s %s\n' "$index" "$drawn" "$id" "$where" "$operator"
    continue
  fi
  current=$file
  mutant_started=$(date +%s)
  python3 "$helper" apply "$tree" "$line"
  if failing=$(run_tests "$(basename "$(dirname "$file")")"); then
    survived=$((survived + 1))
    survivors+=("$id $where ($operator): '$old' -> '$new'")
    printf '%3d/%d %s SURVIVED    %s %s\n' "$index" "$drawn" "$id" "$where" "$operator"
    printf '        %s\n        %s\n' "$old" "$new"
  elif [ "$failing" = "not built" ]; then
    unbuilt=$((unbuilt + 1))
    printf '%3d/%d %s not built   %s %s\n' "$index" "$drawn" "$id" "$where" "$operator"
  else
    killed=$((killed + 1))
    printf '%3d/%d %s caught      %s %s by %s\n' "$index" "$drawn" "$id" "$where" "$operator" "$failing"
  fi
  restore
  echo "        ($(($(date +%s) - mutant_started)) s)"
done <"$list"

# Leaves the build matching the sources for the next run.
build_programs "${programs[@]}" || echo "mutants: the restored sources did not build again, see $work/build.log" >&2

if [ "${#survivors[@]}" -gt 0 ]; then
  echo "survivors:"
  printf '  %s\n' "${survivors[@]}"
fi
scored=$((killed + survived))
if [ "$scored" -gt 0 ]; then
  score=$(awk -v k="$killed" -v n="$scored" 'BEGIN { printf "%.1f", 100 * k / n }')
else
  score=0
fi
echo "seed $seed, $drawn drawn, $equivalent known equivalent, time $(($(date +%s) - started)) s"
echo "mutants: $killed killed, $survived survived (score $score%), $unbuilt not built"

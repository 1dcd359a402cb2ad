#!/usr/bin/env bash
# Which conditions of the plug-in (src/) the native test programs never take
# both ways, or with --lines which lines they never run: a GCC coverage
# build of the GoogleTest programs of tests/, each run whole in a temporary
# folder of its own, summed up per source file by gcovr.
#
#   scripts/coverage.sh [--lines]
#
# A mutant on such a line survives the mutation sweep whenever the way never
# taken changes something a caller can see. The build is build/coverage
# (Debug, no sanitizers); it needs scripts/setup.sh to have run.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

metric=(--branches --exclude-throw-branches --exclude-unreachable-branches)
case ${1:-} in
  '') ;;
  --lines) metric=() ;;
  *) echo "coverage: unknown argument $1 (use --lines or nothing)" >&2; exit 2 ;;
esac

for tool in cmake ninja gcovr; do
  command -v "$tool" >/dev/null || { echo "coverage: $tool is missing; run scripts/setup.sh" >&2; exit 1; }
done
[ -d build/deps ] || { echo "coverage: build/deps is missing; run scripts/setup.sh" >&2; exit 1; }

build=$root/build/coverage
mkdir -p "$build"
if ! cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQV_SANITIZE=OFF -DQV_DEPS_DIR="$root/build/deps" \
  -DCMAKE_CXX_FLAGS="--coverage -O0" -DCMAKE_C_FLAGS=--coverage -DCMAKE_EXE_LINKER_FLAGS=--coverage \
  >"$build/configure.log" 2>&1; then
  echo "coverage: configuring the coverage build failed; see $build/configure.log" >&2
  exit 1
fi
if ! nice cmake --build "$build" >"$build/build.log" 2>&1; then
  echo "coverage: building the coverage build failed; see $build/build.log" >&2
  exit 1
fi

# Counts from an earlier run would add to this one's.
find "$build" -name '*.gcda' -delete
programs=()
for program in "$build"/tests/test_*; do
  [ -f "$program" ] && [ -x "$program" ] && programs+=("$program")
done
[ ${#programs[@]} -gt 0 ] || { echo "coverage: no test programs in $build/tests" >&2; exit 1; }
failed=0
for program in "${programs[@]}"; do
  name=$(basename "$program")
  scratch=$(mktemp -d)
  if ! (cd "$scratch" && "$program" >"$build/$name.log" 2>&1); then
    echo "coverage: $name failed; see $build/$name.log" >&2
    failed=1
  fi
  rm -rf "$scratch"
done
[ "$failed" -eq 0 ] || exit 1

# Only this build's counts: the mutation sweep's scratch tree holds other
# copies of the same sources.
gcovr -r "$root" "$build" --object-directory "$build" --exclude-directories '.*/CMakeFiles/[0-9.]+$' \
  --filter "$root/src/" "${metric[@]}" --txt -

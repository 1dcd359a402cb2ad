#!/usr/bin/env bash
# The fault sweep's own test: given a session program whose one faulty run
# starts a sanitizer report followed by more output than a pipe holds,
# another run killed by a signal, and a third whose command line it
# refuses (exit status 2, as a step a fault stops also gives), the sweep
# must count the three as failures, pass the stopped step, and fail.
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cat >"$work/session-tool" <<'TOOL'
#!/usr/bin/env bash
case "$*" in
  *--count-calls*) echo "host calls: 3" ;;
  *"--faulty-call 2"*) echo "==1==ERROR: AddressSanitizer: heap-use-after-free" >&2
                       for _ in $(seq 5000); do echo "    #0 0x4242 in a frame of a long report" >&2; done
                       exit 0 ;;
  *"--nonsense-call 3"*) kill -9 $$ ;;
  *"--faulty-call 1"*) echo "qvperfcopy session: step 2 (choose 1): the tool window is not open" >&2; exit 2 ;;
  *"--nonsense-call 1"*) echo "qvperfcopy-session: The following argument was not expected: --nonsense-call" >&2
                         exit 2 ;;
esac
exit 0
TOOL
chmod +x "$work/session-tool"
status=0
output=$(QV_SKIP_SETUP=1 QV_FAULTS_TOOL="$work/session-tool" "$top/scripts/faults.sh") || status=$?
summary=$(grep -E '^faults: [0-9]+ passed, [0-9]+ failed$' <<<"$output" || true)
fail() { echo "faults-sweep-catches: $1"; printf '%s\n' "$output" | tail -n 5; exit 1; }
[ "$status" -ne 0 ] || fail "the sweep passed a run with a sanitizer report"
[ -n "$summary" ] || fail "the sweep printed no summary"
[[ $summary == *", 3 failed" ]] || fail "expected 3 failed runs, got: $summary"
grep -q -- '--faulty-call 2' <<<"$output" || fail "the sanitizer report's run is not named"
grep -q -- '--nonsense-call 1' <<<"$output" || fail "the refused command line's run is not named"
echo "ok: the sweep fails on a sanitizer report with long output, a killed run and a refused command line"

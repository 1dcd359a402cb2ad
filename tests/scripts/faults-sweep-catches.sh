#!/usr/bin/env bash
# The fault sweep's own test: given a session program whose one faulty run
# starts a sanitizer report followed by more output than a pipe holds, and
# another run killed by a signal, the sweep must count both as failures
# and fail.
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
[[ $summary == *", 2 failed" ]] || fail "expected 2 failed runs, got: $summary"
grep -q -- '--faulty-call 2' <<<"$output" || fail "the sanitizer report's run is not named"
echo "ok: the sweep fails on a sanitizer report with long output and on a killed run"

#!/usr/bin/env bash
# Package installs wait their turn: two set-ups started together while the
# package locks are held both wait and both pass; a lock held past
# QV_APT_LOCK_TIMEOUT fails with one line naming it. Runs apt-get for real
# (as root or through sudo): "update", and "install" of a package that is
# already installed, which takes the locks and changes nothing.
#   tests/scripts/apt-lock.sh     ends with "apt-lock: N passed, N failed"
set -uo pipefail
cd "$(dirname "$0")/../.." || exit 1
passed=0
failed=0
ok() { passed=$((passed + 1)); echo "ok: $1"; }
bad() { failed=$((failed + 1)); echo "FAIL: $1"; }
summary() { echo "apt-lock: $passed passed, $failed failed"; [ "$failed" -eq 0 ]; exit; }

as_root=()
if [ "$(id -u)" -ne 0 ]; then
  sudo -n true 2>/dev/null || { bad "the test needs root or sudo without a password to hold the package locks"; summary; }
  as_root=(sudo -n)
fi
# A package the set-up installs, which must be installed already.
package=zip
[ "$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null)" = 'install ok installed' ] ||
  { bad "$package is not installed (run scripts/setup.sh first)"; summary; }
lists_lock=/var/lib/apt/lists/lock
frontend_lock=/var/lib/dpkg/lock-frontend

work=$(mktemp -d "${TMPDIR:-/tmp}/apt-lock.XXXXXX") || { bad "no temporary folder"; summary; }
holder_pid=""
# shellcheck disable=SC2317  # called by the EXIT trap
cleanup() {
  [ -z "$holder_pid" ] || { exec {holder_in}>&- 2>/dev/null; wait "$holder_pid" 2>/dev/null; }
  rm -rf "$work"
}
trap cleanup EXIT

# The set-up sees the package as missing: dpkg-query answers so for it alone.
mkdir -p "$work/bin"
cat >"$work/bin/dpkg-query" <<EOF
#!/bin/sh
for argument in "\$@"; do
  if [ "\$argument" = "$package" ]; then echo "unknown ok not-installed"; exit 0; fi
done
exec /usr/bin/dpkg-query "\$@"
EOF
chmod +x "$work/bin/dpkg-query"

# Holds the given locks as apt does (fcntl) until its input closes. Sets
# holder (its process, which apt names as the lock's holder), or why.
hold() {
  local fifo=$work/holder.in
  rm -f "$fifo" "$work/holder.out"
  mkfifo "$fifo"
  "${as_root[@]}" python3 -c '
import fcntl, os, sys
fds = []
for path in sys.argv[1:]:
    fd = os.open(path, os.O_RDWR | os.O_CREAT, 0o640)
    fcntl.lockf(fd, fcntl.LOCK_EX)
    fds.append(fd)
print(os.getpid(), flush=True)
sys.stdin.read()
' "$@" <"$fifo" >"$work/holder.out" &
  holder_pid=$!
  exec {holder_in}>"$fifo"
  holder=""
  # Until it holds them all (it may wait for another apt to finish first).
  while [ -z "$holder" ]; do
    if ! kill -0 "$holder_pid" 2>/dev/null; then
      why="the lock holder ended before holding $*"
      holder_pid=""
      return 1
    fi
    sleep 0.1
    holder=$(cat "$work/holder.out")
  done
}
release() {
  exec {holder_in}>&-
  wait "$holder_pid" 2>/dev/null
  holder_pid=""
}

# The processes that wait for the holder to end, one per waiting apt-get.sh.
waiters() { pgrep -c -x -f -- "tail --pid=$holder -f /dev/null" || true; }

# Every apt-get the scripts run goes through scripts/apt-get.sh: outside
# comments and quoted messages, no script names apt-get itself.
direct=""
scripts=0
while IFS= read -r script; do
  scripts=$((scripts + 1))
  [ "$script" = scripts/apt-get.sh ] && continue
  found=$(sed -E 's/^[[:space:]]*#.*//; s/"[^"]*"//g; s/'"'"'[^'"'"']*'"'"'//g' "$script" |
            grep -nE '(^|[^/[:alnum:]_.-])apt-get([^.[:alnum:]_-]|$)' || true)
  [ -z "$found" ] || direct+="$script:${found%%$'\n'*} "
done < <(git ls-files -- '*.sh' .ci/run tools/vm32/init)
if [ "$scripts" -eq 0 ]; then
  bad "git lists no shell scripts to look for apt-get in"
elif [ -n "$direct" ]; then
  bad "apt-get run without scripts/apt-get.sh: $direct"
else
  ok "every script runs apt-get through scripts/apt-get.sh"
fi

# Two set-ups at once, while both locks are held: both wait, and both pass
# once they are free (then they meet each other at the locks too).
if hold "$lists_lock" "$frontend_lock"; then
  pids=()
  for n in 1 2; do
    # Without the holder's input, which would keep it from ending.
    PATH=$work/bin:$PATH QV_APT_LOCK_TIMEOUT=600 scripts/setup.sh >"$work/setup$n.log" 2>&1 {holder_in}>&- &
    pids+=($!)
  done
  # Both set-ups waiting for the holder (at most a minute to get there).
  deadline=$((SECONDS + 60))
  while [ "$(waiters)" -lt 2 ] && [ "$SECONDS" -lt "$deadline" ]; do
    kill -0 "${pids[0]}" 2>/dev/null || kill -0 "${pids[1]}" 2>/dev/null || break
    sleep 0.2
  done
  count=$(waiters)
  release
  statuses=()
  for p in "${pids[@]}"; do wait "$p"; statuses+=($?); done
  if [ "$count" -ge 2 ] && [ "${statuses[*]}" = "0 0" ]; then
    ok "two set-ups started together both waited for the held locks and both passed"
  else
    bad "two set-ups at once: $count waited, statuses ${statuses[*]}; $(tail -n 1 "$work/setup1.log") / $(tail -n 1 "$work/setup2.log")"
  fi
else
  bad "two set-ups at once: $why"
fi

# A lock held past the limit: one line naming it, from the set-up (the
# lists' lock, which apt-get update does not wait for itself) and from an
# install (dpkg's frontend lock, which apt waits for).
if hold "$lists_lock"; then
  PATH=$work/bin:$PATH QV_APT_LOCK_TIMEOUT=1 scripts/setup.sh >"$work/out" 2>"$work/err" {holder_in}>&-
  status=$?
  release
  lines=$(wc -l <"$work/err")
  if [ "$status" -ne 0 ] && [ "$lines" -eq 1 ] && grep -Fq "$lists_lock" "$work/err"; then
    ok "a set-up fails with one line naming $lists_lock when it stays held"
  else
    bad "the set-up with $lists_lock held: status $status, $lines lines: $(head -c 300 "$work/err")"
  fi
else
  bad "holding $lists_lock: $why"
fi
if hold "$frontend_lock"; then
  QV_APT_LOCK_TIMEOUT=1 scripts/apt-get.sh install -y -qq "$package" >"$work/out" 2>"$work/err" {holder_in}>&-
  status=$?
  release
  lines=$(wc -l <"$work/err")
  if [ "$status" -ne 0 ] && [ "$lines" -eq 1 ] && grep -Fq "$frontend_lock" "$work/err"; then
    ok "an install fails with one line naming $frontend_lock when it stays held"
  else
    bad "the install with $frontend_lock held: status $status, $lines lines: $(head -c 300 "$work/err")"
  fi
else
  bad "holding $frontend_lock: $why"
fi
summary

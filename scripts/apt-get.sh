#!/usr/bin/env bash
# apt-get for the project's scripts, which may run side by side: it waits
# its turn for the package locks instead of failing at once. apt itself
# waits for dpkg's locks (DPkg::Lock::Timeout); the package lists' and the
# download folder's locks it does not wait for, so a command refused on one
# of those runs again once the process holding it has ended. Runs as root
# or through sudo (except "source" and "download", which write here), with
# no questions asked.
#
# Fails with one line: which lock was still held after QV_APT_LOCK_TIMEOUT
# seconds (900), or apt-get's last error.
#
#   scripts/apt-get.sh ARGUMENTS...
set -euo pipefail
limit=${QV_APT_LOCK_TIMEOUT:-900}
[[ $limit =~ ^[0-9]+$ ]] || { echo "apt-get.sh: QV_APT_LOCK_TIMEOUT is $limit, not a number of seconds" >&2; exit 2; }
# The command is the first word that is neither an option nor its value.
command=""
skip=0
for argument in "$@"; do
  if [ "$skip" -eq 1 ]; then skip=0; continue; fi
  case "$argument" in
    -o|-c|-t|-a) skip=1 ;;
    -*) ;;
    *) command=$argument; break ;;
  esac
done
as_root=()
case "$command" in
  source|download) ;;
  *) [ "$(id -u)" -eq 0 ] || as_root=(sudo) ;;
esac

errors=$(mktemp "${TMPDIR:-/tmp}/apt-get-errors.XXXXXX")
trap 'rm -f "$errors"' EXIT
deadline=$((SECONDS + limit))
while :; do
  left=$((deadline - SECONDS))
  [ "$left" -ge 0 ] || left=0
  status=0
  "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive \
    apt-get -o "DPkg::Lock::Timeout=$left" "$@" 2>"$errors" || status=$?
  if [ "$status" -eq 0 ]; then
    cat "$errors" >&2
    exit 0
  fi
  # apt names the lock as "Could not get lock PATH. It is held by process
  # PID (NAME)", or, when its own wait ran out, "... lock (PATH), is another
  # process using it?".
  lock=$(sed -n -E 's/^E: Could not get lock ([^ ]+)\. .*/\1/p; s/^E: Unable to acquire the dpkg frontend lock \(([^)]+)\).*/\1/p' "$errors" | sed -n 1p)
  if [ -z "$lock" ]; then
    last=$(grep '^E: ' "$errors" | tail -n 1 || true)
    [ -n "$last" ] || last=$(tail -n 1 "$errors")
    echo "apt-get.sh: apt-get $command failed (status $status): ${last:-no message}" >&2
    exit "$status"
  fi
  holder=$(sed -n -E 's/^E: Could not get lock [^ ]+\. It is held by process ([0-9]+).*/\1/p' "$errors" | sed -n 1p)
  left=$((deadline - SECONDS))
  if [ "$left" -le 0 ]; then
    echo "apt-get.sh: apt-get $command gave up on the package lock $lock, still held after $limit s${holder:+ by process $holder}" >&2
    exit 1
  fi
  # Until the holder ends (at most the time left), then once more.
  if [ -n "$holder" ] && [ "$holder" -gt 0 ]; then
    timeout "$left" tail --pid="$holder" -f /dev/null || true
  else
    sleep 1
  fi
done

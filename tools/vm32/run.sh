#!/usr/bin/env bash
# Boots the virtual machine and runs one job in its 32-bit Windows: a bash
# script of the tree, run in the guest's i386 root with the tree at
# /vm/tree (read-only), the output folder at /vm/out and the machine's
# state (the saved Wine prefix) at /vm/state. Prints the job's output and
# exits with its status.
#
#   tools/vm32/run.sh [--timeout SECONDS] [--out FOLDER] JOB.sh [ARGS...]
#
# JOB.sh is a path in the tree. The output folder (default build/vm32) is
# emptied first. The guest is killed when it passes its time limit
# (default 1800 s).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=tools/vm32/common.sh
. "$here/common.sh"
tree=$(cd "$here/../.." && pwd)
limit=1800
out=$tree/build/vm32
while [ $# -gt 0 ]; do
  case "$1" in
    --timeout) limit=$2; shift 2 ;;
    --out) out=$(realpath -m "$2"); shift 2 ;;
    *) break ;;
  esac
done
[ $# -ge 1 ] || { echo "usage: tools/vm32/run.sh [--timeout SECONDS] [--out FOLDER] JOB.sh [ARGS...]" >&2; exit 2; }
job=$(realpath "$1")
shift
case "$job" in
  "$tree"/*) ;;
  *) fail "starting the job" "$job is not in the tree $tree" ;;
esac

started=$(date +%s)
cache=$("$here/setup.sh" | tail -n 1)
[ -d "$cache/root" ] || fail "setting up the machine" "no machine in $cache"
rm -rf "$out"
mkdir -p "$out"
# The guest's probe of Wine's desktop, a program of the tree's own.
i686-w64-mingw32-gcc -O2 -s -o "$out/guiprobe.exe" "$here/guiprobe.c" -luser32 ||
  fail "building the desktop probe" "i686-w64-mingw32-gcc failed"
{
  echo "cd /vm/tree"
  printf 'exec /bin/bash %q' "/vm/tree/${job#"$tree"/}"
  printf ' %q' "$@"
  echo
} >"$out/job.sh"

share() {  # tag, folder, read-only?
  printf -- '-virtfs\0local,path=%s,mount_tag=%s,security_model=none,multidevs=remap%s\0' \
    "$2" "$1" "$([ "$3" = ro ] && echo ,readonly=on)"
}
mapfile -d '' shares < <(share root "$cache/root" ro; share tree "$tree" ro; share out "$out" rw;
                         share state "$cache/state" rw)
progress "booting the guest (time limit $limit s)"
# The guest's console: its job's output, without the serial line's carriage
# returns and the kernel's own lines. The whole console is kept in the
# output folder.
fifo_dir=$(mktemp -d)
trap 'rm -rf "$fifo_dir"' EXIT
mkfifo "$fifo_dir/console"
{ sed -u 's/\r//g' | tee "$out/console.log" | grep --line-buffered -v '^\[ *[0-9.]*\] '; true; } \
  <"$fifo_dir/console" &
console=$!
qemu-system-x86_64 -accel tcg,thread=multi -cpu max,-smap -smp 2 -m 3G \
  -nodefaults -no-reboot -display none -monitor none -serial stdio -nic none \
  -kernel "$cache/kernel/vmlinuz" -initrd "$cache/initramfs.cpio.gz" \
  -append "console=ttyS0 panic=-1 quiet loglevel=3 vm32.job=/vm/out/job.sh" \
  "${shares[@]}" </dev/null >"$fifo_dir/console" 2>"$out/qemu.log" &
qemu=$!
while kill -0 "$qemu" 2>/dev/null; do
  if [ $(( $(date +%s) - started )) -gt "$limit" ]; then
    kill "$qemu" 2>/dev/null || true
    for _ in $(seq 30); do kill -0 "$qemu" 2>/dev/null || break; sleep 0.1; done
    kill -9 "$qemu" 2>/dev/null || true
    wait "$qemu" 2>/dev/null || true
    wait "$console" || true
    fail "running the guest" "it passed its time limit of $limit s and was stopped"
  fi
  sleep 1
done
qemu_status=0
wait "$qemu" 2>/dev/null || qemu_status=$?
# The console's last lines reach the terminal before the verdict.
wait "$console" || true
[ "$qemu_status" -eq 0 ] || fail "running the guest" "qemu stopped with an error: $(tail -n 1 "$out/qemu.log")"
[ -f "$out/status" ] || fail "running the guest" "the guest wrote no exit status (see $out/console.log)"
status=$(cat "$out/status")
progress "guest done in $(( $(date +%s) - started )) s, job exit status $status"
exit "$status"

# shellcheck shell=bash
# Sourced by the jobs that run in the guest: 32-bit Wine on a virtual screen,
# with one Wine server for the whole job, and a line per program with its
# result and time.
#
#   wine_up            starts the screen, the prefix and the server
#   program NAME CMD   runs CMD and prints "vm32: NAME: ok in 12.3 s" or FAILED
#   wine_down          stops them and prints the totals
export WINEARCH=win32
export WINEPREFIX=/tmp/prefix
export WINEDEBUG=${WINEDEBUG:--all}
# No .NET or web runtime (the guest has no network), no desktop menus.
export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe="
mkdir -p "$HOME"
vm_passed=0
vm_failed=0
prefix_tar=/vm/state/prefix.tar

now_ms() { echo $(( $(date +%s%N) / 1000000 )); }
seconds_since() { local d=$(( $(now_ms) - $1 )); printf '%d.%d' $((d / 1000)) $((d % 1000 / 100)); }

# Runs a step of the machine's own set-up; a failure ends the job.
setup_step() {
  local name=$1 t0
  shift
  t0=$(now_ms)
  if ! "$@" >/tmp/step.log 2>&1; then
    echo "vm32: $name failed: $(tail -n 3 /tmp/step.log | tr '\n' ' ')"
    exit 1
  fi
  echo "vm32: $name: $(seconds_since "$t0") s"
}

# Under heavy emulation wineboot may stop waiting for Wine's boot event, a
# fixed 5 minutes inside Wine, and exit with an error while the prefix is
# still being made. So its exit status is not the verdict: once every Wine
# process has ended, the prefix is judged by the mark Wine writes when it
# has finished making it.
make_prefix() {
  wine wineboot -i || echo "wineboot -i exited with $?; waiting for Wine's processes to end"
  wineserver -w
  [ -f "$WINEPREFIX/.update-timestamp" ] || { echo "the prefix was left unfinished (no .update-timestamp)"; return 1; }
  # Without a window manager, managed windows make every hide wait for a
  # withdrawal that never comes.
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f && wineserver -w &&
    touch "$WINEPREFIX/.unmanaged-windows"
}

# Another guest may be saving its own prefix at the same moment (two runs
# share the cache): each writes a file of its own name, and the rename puts
# one whole file in place. The last rename wins; either prefix serves.
save_prefix() {
  local partial
  partial=$(mktemp "$prefix_tar.XXXXXXXX.partial") || return 1
  if ! tar -cf "$partial" -C /tmp prefix || ! mv -f "$partial" "$prefix_tar"; then
    rm -f "$partial"
    return 1
  fi
}

restore_prefix() {
  tar -xf "$prefix_tar" -C /tmp && [ -f "$WINEPREFIX/.unmanaged-windows" ]
}

# A program that crashes gets a backtrace on its standard error and ends,
# instead of Wine's crash dialog, which would wait for a click that never
# comes. Written into the registry file while no server runs.
no_crash_dialog() {
  grep -q 'ShowCrashDialog' "$WINEPREFIX/user.reg" ||
    printf '\n[Software\\\\Wine\\\\WineDbg]\n"ShowCrashDialog"=dword:00000000\n' >>"$WINEPREFIX/user.reg"
}

wait_for_desktop() {
  local answer
  for _ in 1 2 3 4 5 6 7 8; do
    answer=$(wine /vm/out/guiprobe.exe 2>/dev/null)
    [[ $answer == *ready* ]] && return 0
    sleep 3
  done
  echo "the desktop did not come up in 8 tries"
  return 1
}

wine_up() {
  echo "vm32: guest kernel $(uname -r), 32-bit $(wine --version)"
  # Saves that a stopped guest left half done; a save in progress is younger.
  find /vm/state -maxdepth 1 -name 'prefix.tar.*.partial' -mmin +60 -delete 2>/dev/null
  Xvfb :99 -screen 0 1024x768x24 -nolisten tcp >/tmp/xvfb.log 2>&1 &
  vm_xvfb=$!
  local i=0
  while [ ! -e /tmp/.X11-unix/X99 ] && [ $i -lt 300 ]; do sleep 0.1; i=$((i + 1)); done
  [ -e /tmp/.X11-unix/X99 ] || { echo "vm32: the virtual screen failed: $(tail -n 1 /tmp/xvfb.log)"; exit 1; }
  export DISPLAY=:99
  local t0
  t0=$(now_ms)
  if [ -f "$prefix_tar" ] && restore_prefix 2>/dev/null; then
    echo "vm32: prefix restored from the cache: $(seconds_since "$t0") s"
  else
    rm -rf "$WINEPREFIX"
    setup_step "new prefix (wineboot)" make_prefix
    t0=$(now_ms)
    if save_prefix >/tmp/step.log 2>&1; then
      echo "vm32: prefix saved to the cache: $(seconds_since "$t0") s"
    else
      # The job goes on with the prefix it made; the next run makes one again.
      echo "vm32: prefix not saved to the cache ($(tail -n 1 /tmp/step.log)); this run keeps its own"
    fi
  fi
  no_crash_dialog
  # Wine keeps the DOS attributes other than read-only in extended
  # attributes, which the guest's memory file system cannot hold: the
  # prefix's temporary folder lives in the shared output folder instead.
  mkdir -p /vm/out/temp
  rm -rf "$WINEPREFIX/drive_c/users/root/Temp"
  ln -s /vm/out/temp "$WINEPREFIX/drive_c/users/root/Temp"
  # One server for every program, so that the desktop starts once.
  wineserver -p
  setup_step "desktop warm-up" wait_for_desktop
  # Wine closes a desktop a moment after its last program ends, and the next
  # program then waits for a new one, longer than Wine allows under
  # emulation: one window is kept open for the whole job.
  setup_step "desktop held" hold_desktop
}

# Starts the window that keeps the desktop up, and waits until it says it
# has its window; one that ends without a window is started again.
hold_desktop() {
  local answer
  for _ in 1 2 3 4 5 6 7 8; do
    wine /vm/out/guiprobe.exe hold >/tmp/hold.out 2>/dev/null &
    vm_hold=$!
    answer=""
    while kill -0 "$vm_hold" 2>/dev/null && [[ $answer != *holding* ]]; do
      sleep 0.5
      answer=$(cat /tmp/hold.out)
    done
    answer=$(cat /tmp/hold.out)
    [[ $answer == *holding* ]] && return 0
    sleep 3
  done
  echo "no window could be held in 8 tries"
  return 1
}

# Each program has 15 minutes; one that hangs is stopped, with everything
# it started, and fails. CMD may be a shell function of the job (exported,
# with the variables it uses).
program() {
  local name=$1 t0 status
  shift
  t0=$(now_ms)
  if declare -F "$1" >/dev/null; then export -f "${1?}"; fi
  timeout 900 bash -c '"$@"' "$name" "$@" >"/vm/out/$name.log" 2>&1
  status=$?
  [ "$status" -eq 124 ] && echo "(stopped after 900 s)" >>"/vm/out/$name.log"
  if [ "$status" -eq 0 ]; then
    vm_passed=$((vm_passed + 1))
    echo "vm32: $name: ok in $(seconds_since "$t0") s"
  else
    vm_failed=$((vm_failed + 1))
    echo "vm32: $name: FAILED (exit $status) in $(seconds_since "$t0") s; its output:"
    tail -n 40 "/vm/out/$name.log" | sed 's/^/  /'
  fi
}

wine_down() {
  wineserver -k 2>/dev/null
  kill "$vm_xvfb" 2>/dev/null
  echo "vm32: $vm_passed passed, $vm_failed failed"
  [ "$vm_failed" -eq 0 ]
}

#!/usr/bin/env bash
# Installs, upgrades and removes the plug-in with Wine's msiexec in a fresh
# prefix, as a user would meet it: a folder without Finale (refused), an
# install that finds the newest Finale by itself, an upgrade refused while
# Finale has the plug-in loaded and then done, the host loading the plug-in
# from its Plug-ins folder, and a removal that leaves every other file as it
# was. Then screenshots of the interactive installer's windows.
# Usage: installer-tests.sh --msi NEW.msi --older-msi OLD.msi --plugin NEW.fxt
#          --older-plugin OLD.fxt --host FINALE.EXE --version V --older-version V
#          --work FOLDER --screenshots FOLDER [--no-script-engines]
# --no-script-engines runs everything with Wine's VBScript and JScript
# engines switched off, as on a Windows without them.
# Prints one line per check and "installer: N passed, N failed".
set -uo pipefail
# shellcheck source=tools/wine-layout.sh
. "$(dirname "$0")/wine-layout.sh"
script_engines=on
while [ $# -gt 0 ]; do
  case "$1" in
    --no-script-engines) script_engines=off; shift; continue ;;
    --msi) msi=$2 ;;
    --older-msi) older_msi=$2 ;;
    --plugin) plugin=$2 ;;
    --older-plugin) older_plugin=$2 ;;
    --host) host_exe=$2 ;;
    --version) version=$2 ;;
    --older-version) older_version=$2 ;;
    --work) work=$2 ;;
    --screenshots) screenshots=$2 ;;
    *) echo "installer-tests.sh: unknown option $1" >&2; exit 2 ;;
  esac
  shift 2
done
here=$(cd "$(dirname "$0")" && pwd)
# Wine's server keeps a folder in the temporary folder that outlives it; a
# caller may give Wine a temporary folder of its own for that.
[ -z "${QV_WINE_TMPDIR:-}" ] || export TMPDIR=$QV_WINE_TMPDIR
for file in msi older_msi plugin older_plugin host_exe; do
  [ -f "${!file}" ] || { echo "installer-tests.sh: no file ${!file}" >&2; exit 2; }
  printf -v "$file" '%s' "$(realpath "${!file}")"
done
fixtures=$here/../tests/fixtures/sessions

loader=/usr/lib/wine/wine64
[ -x "$loader" ] || loader=$(dpkg -L wine64 2>/dev/null | awk '/\/wine64$/ && !found { print; found = 1 }')
wineserver_bin=$(dirname "$loader")/wineserver
# A screen of this test's own, 1024 by 768, where the installer's windows
# open in the middle and nothing else draws.
# Xvfb picks a free display and writes its number once it takes clients.
exec {display_fd}<> <(:)
Xvfb -displayfd "$display_fd" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
if read -r -t 60 -u "$display_fd" display && [ -n "$display" ]; then
  export DISPLAY=":$display"
else
  kill "$xvfb_pid" 2>/dev/null
  echo "installer-tests.sh: no Xvfb screen could be started" >&2
  exit 1
fi
exec {display_fd}<&-

# A fresh prefix, of this test's own.
rm -rf "$work"
mkdir -p "$work" "$screenshots"
rm -f "$screenshots"/*.png
work=$(cd "$work" && pwd)
export WINEPREFIX=$work/wineprefix
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
[ "$script_engines" = off ] && WINEDLLOVERRIDES="$WINEDLLOVERRIDES;vbscript,jscript=d"
finish() {
  "$wineserver_bin" -k 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
}
trap finish EXIT
"$loader" wineboot -i >/dev/null 2>&1
"$loader" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
"$wineserver_bin" -w

passed=0
failed=0
check() {  # check NAME COMMAND...: one line, counted
  local name=$1
  shift
  if "$@"; then
    echo "ok: $name"
    passed=$((passed + 1))
  else
    echo "FAIL: $name"
    failed=$((failed + 1))
  fi
}

# The script engines are as asked: a VBScript that writes a file runs only
# while they are on.
printf 'CreateObject("Scripting.FileSystemObject").CreateTextFile("Z:%s").Close\r\n' \
  "$work/vbscript-ran.txt" >"$work/probe.vbs"
timeout 120 "$loader" wscript //B "Z:$work/probe.vbs" >/dev/null 2>&1
if [ "$script_engines" = on ]; then
  check "VBScript runs in this prefix" test -f "$work/vbscript-ran.txt"
else
  check "VBScript is switched off in this prefix" test ! -e "$work/vbscript-ran.txt"
fi

drive=$WINEPREFIX/drive_c
# Two copies of Finale, under both Program Files folders: the newer has the
# later FINALE.EXE and an empty Plug-ins folder, the older another plug-in.
# Each has a settings file.
new_host="$drive/Program Files/Finale Test"
old_host="$drive/Program Files (x86)/Finale 2011"
no_host="$drive/Scores"
for folder in "$new_host" "$old_host"; do
  mkdir -p "$folder/Plug-ins"
  cp "$host_exe" "$folder/FINALE.EXE"
  printf 'OTHERPLUGIN_COLOUR=blue\r\nQVPERFCOPY_VELOCITY=80\r\n' >"$folder/qvpluginprefs.txt"
done
printf 'other plug-in\n' >"$old_host/Plug-ins/Other.fxt"
mkdir -p "$old_host/Plug-ins/Other data"
touch -d 2011-06-01 "$old_host/FINALE.EXE"
mkdir -p "$no_host"
printf 'not a host\n' >"$no_host/quartet.musx"
# shellcheck disable=SC1003  # a Windows folder ends in a backslash; nothing is escaped
new_host_win='C:\Program Files\Finale Test\'
installed=$new_host/Plug-ins/qvperfcopy.fxt

# Every file and folder of the prefix's drive with its checksum, less Wine's own.
snapshot() {
  (cd "$drive" && find "Program Files/Finale Test" "Program Files (x86)/Finale 2011" Scores -printf '%y %p\n' |
     sort | while read -r kind path; do
       if [ "$kind" = f ]; then echo "$(sha256sum <"$path" | cut -c1-16) $path"; else echo "dir $path"; fi
     done)
}
snapshot >"$work/before.txt"

msiexec() {  # msiexec LOG ARGS...: Wine's msiexec with a full log, its exit status
  local log=$1
  shift
  "$loader" msiexec "$@" /l*v "Z:$log" >/dev/null 2>&1
}
product_code() { msiinfo export "$1" Property | tr -d '\r' | awk -F'\t' '$1 == "ProductCode" { print $2 }'; }
new_code=$(product_code "$msi")
older_code=$(product_code "$older_msi")
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'
registered() {  # registered CODE NAME: the value of the product's Apps & Features entry
  "$loader" reg query "$uninstall_key\\$1" /v "$2" 2>/dev/null | tr -d '\r' |
    awk -v name="$2" '$1 == name { $1 = ""; $2 = ""; sub(/^  /, ""); print }'
}
log_says() {  # log_says LOG TEXT: the log holds the text
  # Wine's installer service may still be writing the log when msiexec has
  # returned: the log is read once every Wine process has ended.
  "$wineserver_bin" -w
  local text
  text=$(tr -d '\r\0' <"$1") || return 1
  [[ $text == *"$2"* ]]
}
msi_says() {  # msi_says MSI TABLE TEXT: the table holds the text
  local rows
  rows=$(msiinfo export "$1" "$2" | tr -d '\r') && grep -qF "$3" <<<"$rows"
}
same_tree() { snapshot >"$work/now.txt" && diff -u "$work/before.txt" "$work/now.txt"; }
status_is() { [ "$1" = "$2" ]; }
nonzero() { [ "$1" != 0 ]; }
missing() { [ ! -e "$1" ]; }

# A folder without Finale: a clear refusal, nothing written, nothing registered.
# shellcheck disable=SC1003  # a Windows folder ends in a backslash; nothing is escaped
msiexec "$work/no-host.log" /i "Z:$msi" /qn 'TARGETDIR=C:\Scores\'
status=$?
check "a folder without Finale is refused (exit $status)" nonzero "$status"
# The package's own condition refused it (RefuseFolderWithoutFinale, whose
# message Windows shows and logs; Wine 8 only shows it, in a box).
check "the package's condition refused it" log_says "$work/no-host.log" ": RefuseFolderWithoutFinale."
check "the refusal says why in the package" msi_says "$msi" CustomAction "does not hold Finale"
check "the refused install changed no file" same_tree
check "the refused install registered nothing" test -z "$(registered "$new_code" DisplayVersion)"

# The older version without a folder: it finds the newer Finale by itself.
msiexec "$work/older.log" /i "Z:$older_msi" /qn
status=$?
check "the older version installs (exit $status)" status_is "$status" 0
check "it went into the newer Finale, byte for byte" cmp "$older_plugin" "$installed"
check "the older Finale got nothing" missing "$old_host/Plug-ins/qvperfcopy.fxt"
check "Apps & Features lists version $older_version" status_is "$(registered "$older_code" DisplayVersion)" "$older_version"

# The upgrade while Finale has the plug-in loaded: refused, the old file kept.
# Finale's first step, a screenshot, says that it has loaded the plug-in;
# it holds it until it is stopped.
cat >"$work/hold.session.json" <<EOF
{"score": "quartet-named.json", "settings": "settings.txt", "steps": ["screenshot loaded", "wait 600000", "terminate"]}
EOF
cp "$fixtures/quartet-named.json" "$fixtures/settings.txt" "$work/"
mkdir -p "$work/hold"
(cd "$new_host" && exec "$loader" ./FINALE.EXE --session "Z:$work/hold.session.json" --screenshots "Z:$work/hold" \
   --plugin "${new_host_win}Plug-ins\\qvperfcopy.fxt" >"$work/hold.txt" 2>&1) &
holder=$!
for _ in $(seq 1200); do
  if [ -e "$work/hold/loaded.bmp" ] || ! kill -0 "$holder" 2>/dev/null; then break; fi
  sleep 0.5
done
check "Finale has loaded the plug-in before the upgrade" test -e "$work/hold/loaded.bmp"
msiexec "$work/locked.log" /i "Z:$msi" /qn "TARGETDIR=$new_host_win"
status=$?
kill "$holder" 2>/dev/null
wait "$holder"
check "the upgrade is refused while Finale runs (exit $status)" nonzero "$status"
check "the refusal says the file is in use" log_says "$work/locked.log" "is in use"
check "the loaded plug-in is left whole" cmp "$older_plugin" "$installed"
check "the older version stays registered" status_is "$(registered "$older_code" DisplayVersion)" "$older_version"

# The upgrade with Finale closed, silently, the folder given.
msiexec "$work/upgrade.log" /i "Z:$msi" /qn "TARGETDIR=$new_host_win"
status=$?
check "the upgrade installs (exit $status)" status_is "$status" 0
check "the plug-in is the new build, byte for byte" cmp "$plugin" "$installed"
check "its third-party notices are beside it" test -s "$new_host/Plug-ins/qvperfcopy-THIRD-PARTY-NOTICES.txt"
check "Apps & Features lists version $version" status_is "$(registered "$new_code" DisplayVersion)" "$version"
check "Apps & Features names the publisher" status_is "$(registered "$new_code" Publisher)" "QV"
check "Apps & Features has its uninstaller" status_is "$(registered "$new_code" UninstallString)" "MsiExec.exe /X$new_code"
check "the older version is gone from Apps & Features" test -z "$(registered "$older_code" DisplayVersion)"

# Finale loads it from its Plug-ins folder, and the menu item opens the window.
cat >"$work/open.session.json" <<EOF
{"score": "quartet-named.json", "settings": "settings.txt", "steps": ["invoke", "closebox", "terminate"]}
EOF
(cd "$new_host" && "$loader" ./FINALE.EXE --session "Z:$work/open.session.json" \
   --plugin "${new_host_win}Plug-ins\\qvperfcopy.fxt" 2>&1 | tr -d '\r' >"$work/open.txt")
check "Finale loads the installed plug-in and its menu item opens the window" \
  grep -q 'window "QV Perfcopy" opened' "$work/open.txt"

# Removal: the plug-in goes, every other file stays as it was.
msiexec "$work/remove.log" /x "Z:$msi" /qn
status=$?
check "the removal succeeds (exit $status)" status_is "$status" 0
check "the plug-in is removed" missing "$installed"
check "every other file, the settings files too, is as it was" same_tree
check "Apps & Features no longer lists it" test -z "$(registered "$new_code" DisplayVersion)"

# The interactive installer, page by page, driven by the keyboard: each new
# window that stays on the screen is kept as a screenshot.
last_screen=""
shoot() {  # shoot NAME [SECONDS]: waits up to SECONDS (120) for a new, settled window
  local previous="" difference
  for _ in $(seq 1 "${2:-120}"); do
    sleep 1
    import -window root "$work/screen.png" 2>/dev/null || continue
    # An empty screen (one colour) is no window yet: the installer's first
    # window can take a while, its actions running in a process of their own.
    [ "$(convert "$work/screen.png" -format %k info: 2>/dev/null)" -gt 1 ] 2>/dev/null || continue
    if [ -n "$previous" ]; then
      # Settled: at most a blinking caret's pixels changed since a second ago.
      difference=$(compare -metric AE "$work/screen.png" "$previous" null: 2>&1)
      if [ "${difference%%.*}" -lt 200 ] && { [ -z "$last_screen" ] ||
           [ "$(compare -metric AE "$work/screen.png" "$last_screen" null: 2>&1 | cut -d. -f1)" -ge 200 ]; }; then
        cp "$work/screen.png" "$screenshots/$1.png"
        cp "$work/screen.png" "$work/last-screen.png"
        last_screen=$work/last-screen.png
        return 0
      fi
    fi
    cp "$work/screen.png" "$work/previous.png"
    previous=$work/previous.png
  done
  return 1
}
root_window=$(xwininfo -root 2>/dev/null | awk '/Window id:/ { print $4 }')
root_window=$((${root_window:-0}))
press() {  # press KEYS...: into the window in the middle of the screen, once it has the keyboard
  xdotool mousemove --sync 512 384 click 1
  local under="" focus=""
  # The keys reach the window under the pointer once it has the focus, or
  # while the focus is on the root window (which passes them to it).
  for _ in $(seq 1 100); do
    under=$(xdotool getmouselocation --shell | sed -n 's/^WINDOW=//p')
    focus=$(xdotool getwindowfocus 2>/dev/null) || focus=""
    [ -n "$under" ] && { [ "$under" = "$focus" ] || [ "$focus" = "$root_window" ]; } && break
    sleep 0.1
  done
  if [ -z "$under" ] || { [ "$under" != "$focus" ] && [ "$focus" != "$root_window" ]; }; then
    check "the window under the pointer takes the keyboard (window ${under:-none}, focus ${focus:-none})" false
    return 1
  fi
  xdotool "$@"
}
interactive() {  # interactive LOG ARGS...: msiexec with its windows, in the background, for 10 minutes at most
  local log=$1
  shift
  timeout 600 "$loader" msiexec "$@" /l*v "Z:$log" >/dev/null 2>&1 &
  ui_pid=$!
}
if ! command -v xdotool >/dev/null || ! command -v xwininfo >/dev/null; then
  check "xdotool and xwininfo are installed, for the interactive installer (scripts/setup.sh installs them)" false
else
  # Choosing a folder without Finale: the refusal, then the end.
  interactive "$work/ui-refused.log" /i "Z:$msi"
  check "page: choose the copy of Finale, the newest offered" shoot 01-choose-finale 300
  press key alt+Down
  check "page: the copies of Finale found" shoot 02-copies-found
  press key Escape
  # shellcheck disable=SC1003  # a Windows folder ends in a backslash; nothing is escaped
  press key ctrl+a type 'C:\Scores\'
  press key Return
  check "page: a folder without Finale is refused" shoot 03-folder-refused
  press key Return
  check "page: setup stopped" shoot 04-setup-stopped
  press key Return
  wait "$ui_pid"
  status=$?
  check "the refused interactive install fails (exit $status)" nonzero "$status"
  check "and changed no file" same_tree

  # Installing into the newest copy, as offered.
  last_screen=""
  interactive "$work/ui-install.log" /i "Z:$msi"
  shoot first-page 300
  rm -f "$screenshots/first-page.png"
  press key Return
  check "page: installed" shoot 05-installed
  press key Return
  wait "$ui_pid"
  status=$?
  check "the interactive install succeeds (exit $status)" status_is "$status" 0
  check "it put the plug-in into the newest Finale" cmp "$plugin" "$installed"

  # The removal's first window, cancelled; then the removal with the basic
  # interface (progress only). A removal from the full interface leaves the
  # file under Wine 8: the component states its msi carries from the
  # interface's sequence into the execution come out unknown.
  last_screen=""
  interactive "$work/ui-remove.log" /x "Z:$msi"
  check "page: remove" shoot 06-remove 300
  press key Escape
  check "page: removal cancelled" shoot 07-removal-cancelled
  press key Return
  wait "$ui_pid"
  check "the cancelled removal kept the plug-in" cmp "$plugin" "$installed"
  msiexec "$work/ui-remove-basic.log" /x "Z:$msi" /qb
  status=$?
  check "the removal with progress shown succeeds (exit $status)" status_is "$status" 0
  check "and leaves every other file as it was" same_tree
fi

echo "installer: $passed passed, $failed failed"
[ "$failed" -eq 0 ]

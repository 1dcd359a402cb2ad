#!/usr/bin/env bash
# Installs, upgrades and removes the plug-in with Wine's msiexec in a fresh
# prefix, as a user would meet it: a folder without Finale (refused), an
# install that finds the newest Finale by itself, an upgrade refused while
# Finale has the plug-in loaded and then done, the host loading the plug-in
# from its Plug-ins folder, and a removal that leaves every other file as it
# was. Then screenshots of the interactive installer's windows.
# Usage: installer-tests.sh --msi NEW.msi --older-msi OLD.msi --plugin NEW.fxt
#          --older-plugin OLD.fxt --host FINALE.EXE --version V --older-version V
#          --work FOLDER --screenshots FOLDER
# Prints one line per check and "installer: N passed, N failed".
set -uo pipefail
while [ $# -gt 0 ]; do
  case "$1" in
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
fixtures=$here/../tests/fixtures/sessions

loader=/usr/lib/wine/wine64
[ -x "$loader" ] || loader=$(dpkg -L wine64 2>/dev/null | grep '/wine64$' | head -n 1)
wineserver_bin=$(dirname "$loader")/wineserver
xvfb_pid=""
if [ -z "${DISPLAY:-}" ]; then
  for n in $(seq 130 160); do
    [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    sleep 1
    if kill -0 "$xvfb_pid" 2>/dev/null; then export DISPLAY=":$n"; break; fi
    xvfb_pid=""
  done
fi

# A fresh prefix, of this test's own.
rm -rf "$work"
mkdir -p "$work" "$screenshots"
rm -f "$screenshots"/*.png
work=$(cd "$work" && pwd)
export WINEPREFIX=$work/wineprefix
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
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

drive=$WINEPREFIX/drive_c
# Two copies of Finale, under both Program Files folders: the newer has the
# later FINALE.EXE. Each has another plug-in and a settings file beside it.
new_host="$drive/Program Files/Finale Test"
old_host="$drive/Program Files (x86)/Finale 2011"
no_host="$drive/Scores"
for folder in "$new_host" "$old_host"; do
  mkdir -p "$folder/Plug-ins"
  cp "$host_exe" "$folder/FINALE.EXE"
  printf 'other plug-in\n' >"$folder/Plug-ins/Other.fxt"
  printf 'OTHERPLUGIN_COLOUR=blue\r\nQVPERFCOPY_VELOCITY=80\r\n' >"$folder/qvpluginprefs.txt"
done
mkdir -p "$new_host/Plug-ins/Empty folder"
touch -d 2011-06-01 "$old_host/FINALE.EXE"
mkdir -p "$no_host"
printf 'not a host\n' >"$no_host/quartet.musx"
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
log_says() { iconv -f UTF-16LE -t UTF-8 "$1" 2>/dev/null | tr -d '\r' | grep -qF "$2" || tr -d '\r\0' <"$1" | grep -qF "$2"; }
same_tree() { snapshot >"$work/now.txt" && diff -u "$work/before.txt" "$work/now.txt"; }
status_is() { [ "$1" = "$2" ]; }
nonzero() { [ "$1" != 0 ]; }
missing() { [ ! -e "$1" ]; }

# A folder without Finale: a clear refusal, nothing written, nothing registered.
msiexec "$work/no-host.log" /i "Z:$msi" /qn 'TARGETDIR=C:\Scores\'
status=$?
check "a folder without Finale is refused (exit $status)" nonzero "$status"
check "the refusal says why" log_says "$work/no-host.log" "does not hold Finale"
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
cat >"$work/hold.session.json" <<EOF
{"score": "quartet-named.json", "settings": "settings.txt", "steps": ["wait 20000", "terminate"]}
EOF
cp "$fixtures/quartet-named.json" "$fixtures/settings.txt" "$work/"
(cd "$new_host" && "$loader" ./FINALE.EXE --session "Z:$work/hold.session.json" \
   --plugin "${new_host_win}Plug-ins\\qvperfcopy.fxt" >"$work/hold.txt" 2>&1) &
holder=$!
sleep 6
msiexec "$work/locked.log" /i "Z:$msi" /qn "TARGETDIR=$new_host_win"
status=$?
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
check "Apps & Features lists version $version" status_is "$(registered "$new_code" DisplayVersion)" "$version"
check "Apps & Features names the publisher" status_is "$(registered "$new_code" Publisher)" "QV"
check "Apps & Features has an uninstaller" log_says <(registered "$new_code" UninstallString) "MsiExec.exe /X"
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

# The interactive installer's windows, one screenshot each.
shoot() { sleep "$1"; import -window root "$screenshots/$2.png" 2>/dev/null; }
"$loader" msiexec /i "Z:$msi" >/dev/null 2>&1 &
shoot 6 01-install
"$wineserver_bin" -k 2>/dev/null
wait
"$loader" msiexec /i "Z:$msi" 'TARGETDIR=C:\Scores\' >/dev/null 2>&1 &
shoot 6 02-no-host-refused
"$wineserver_bin" -k 2>/dev/null
wait
check "screenshots of the installer's windows" test -s "$screenshots/01-install.png"

echo "installer: $passed passed, $failed failed"
[ "$failed" -eq 0 ]

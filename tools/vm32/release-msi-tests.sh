# The release's own installer in the guest's 32-bit Windows: the MSI of
# dist/ (the PE32 plug-in) installed silently next to the i686 FINALE.EXE,
# loaded by it from Plug-ins, refused for a folder without Finale, upgraded
# to from an older package, removed leaving every other file, and a
# screenshot of its first window. Run by tools/vm32/release-msi.sh.
# Usage (in the guest): release-msi-tests.sh MSI OLDER.msi PLUGIN.fxt
# shellcheck shell=bash
set -u
# shellcheck source=tools/vm32/guest.sh
. /vm/tree/tools/vm32/guest.sh
msi=$1 older_msi=$2 plugin=$3
bin=/vm/tree/build/win32/bin
sessions=/vm/tree/tests/fixtures/sessions
shots=/vm/out/screenshots
mkdir -p "$shots" /vm/out/work
wine_up
drive=$WINEPREFIX/drive_c
# A host folder whose name has spaces and letters beyond ASCII.
host="$drive/Program Files/Fïnale 2012 Prüfung"
# shellcheck disable=SC1003 # a Windows folder, which ends in a backslash
host_win='C:\Program Files\Fïnale 2012 Prüfung\'
no_host="$drive/Scores"
mkdir -p "$host/Plug-ins" "$no_host"
cp "$bin/FINALE.EXE" "$host/FINALE.EXE"
printf 'OTHERPLUGIN_COLOUR=blue\r\n' >"$host/qvpluginprefs.txt"
printf 'other plug-in\n' >"$host/Plug-ins/Other.fxt"
printf 'not a host\n' >"$no_host/quartet.musx"
installed=$host/Plug-ins/qvperfcopy.fxt
export msi older_msi plugin host host_win no_host installed drive sessions shots
snapshot() {
  (cd "$drive" && find "Program Files/Fïnale 2012 Prüfung" Scores -printf '%y %p\n' | sort |
     while read -r kind path; do
       if [ "$kind" = f ]; then echo "$(cksum <"$path") $path"; else echo "dir $path"; fi
     done)
}
export -f snapshot
snapshot >/vm/out/work/before.txt

msiexec_log() {  # msiexec_log NAME ARGS...: msiexec with a full log, its status
  local name=$1
  shift
  wine msiexec "$@" /l*v "Z:/vm/out/work/$name.log"
}
export -f msiexec_log
refused() {
  # shellcheck disable=SC1003 # a Windows folder, which ends in a backslash
  if msiexec_log refused /i "Z:$msi" /qn 'TARGETDIR=C:\Scores\'; then echo "installed into a folder without Finale"; return 1; fi
  [ ! -e "$no_host/Plug-ins" ] || { echo "the refused install made $no_host/Plug-ins"; return 1; }
}
older() {
  msiexec_log older /i "Z:$older_msi" /qn "TARGETDIR=$host_win" || return 1
  [ -f "$installed" ] || { echo "no $installed"; return 1; }
}
upgrade() {
  msiexec_log upgrade /i "Z:$msi" /qn "TARGETDIR=$host_win" || return 1
  cmp "$plugin" "$installed" || return 1
  [ -s "$host/Plug-ins/qvperfcopy-THIRD-PARTY-NOTICES.txt" ] || { echo "no third-party notices beside it"; return 1; }
}
loads() {
  cat >/vm/out/work/open.session.json <<JSON
{"score": "quartet-named.json", "settings": "settings.txt", "steps": ["invoke", "closebox", "terminate"]}
JSON
  cp "$sessions/quartet-named.json" "$sessions/settings.txt" /vm/out/work/
  (cd "$host" && wine ./FINALE.EXE --session Z:/vm/out/work/open.session.json \
     --plugin "${host_win}Plug-ins\\qvperfcopy.fxt" 2>&1 | tr -d '\r' >/vm/out/work/open.txt)
  grep 'window "QV Perfcopy" opened' /vm/out/work/open.txt
}
removal() {
  msiexec_log removal /x "Z:$msi" /qn || return 1
  [ ! -e "$installed" ] || { echo "$installed is still there"; return 1; }
  snapshot >/vm/out/work/after.txt
  diff -u /vm/out/work/before.txt /vm/out/work/after.txt
}
first_window() {
  wine msiexec /i "Z:$msi" >/dev/null 2>&1 &
  local installer=$!
  wine /vm/tree/build/vm32-tools/winshot.exe "QV Perfcopy" 'Z:\vm\out\screenshots\installer-first-window.bmp'
  local status=$?
  kill "$installer" 2>/dev/null
  wineserver -k 2>/dev/null
  return "$status"
}
export -f refused older upgrade loads removal first_window
program release-msi-refused-folder refused
program release-msi-older-install older
program release-msi-upgrade-byte-for-byte upgrade
program release-msi-finale-loads-it loads
program release-msi-removal-leaves-the-rest removal
program release-msi-first-window first_window
wine_down

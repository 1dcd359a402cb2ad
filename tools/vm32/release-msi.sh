#!/usr/bin/env bash
# Tests the release's own MSI in the virtual machine's 32-bit Windows
# (tools/vm32/release-msi-tests.sh in the guest): installed next to the i686
# FINALE.EXE, loaded, refused for a folder without Finale, upgraded to from
# the older x86 test package and removed. Needs the win32 build (FINALE.EXE
# and build/win32/installer/qvperfcopy-0.0.1-x86.msi) and a release folder
# made by scripts/release.sh.
#
#   tools/vm32/release-msi.sh [DIST]     (default dist)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
tree=$(cd "$here/../.." && pwd)
fail() { echo "release-msi.sh: $1: $2" >&2; exit 1; }
dist=$(realpath "${1:-$tree/dist}")
case "$dist" in "$tree"/*) ;; *) fail "finding the release" "$dist is not in the tree $tree" ;; esac
shopt -s nullglob
msis=("$dist"/qvperfcopy-*.msi)
[ ${#msis[@]} -eq 1 ] || fail "finding the release" "expected one qvperfcopy-*.msi in $dist, found ${#msis[@]}"
olders=("$tree"/build/win32/installer/qvperfcopy-0.0.1-x86.msi)
[ ${#olders[@]} -eq 1 ] || fail "finding the older package" "no build/win32/installer/qvperfcopy-0.0.1-x86.msi (build the win32 preset)"
[ -f "$tree/build/win32/bin/FINALE.EXE" ] || fail "finding the host" "no build/win32/bin/FINALE.EXE (build the win32 preset)"
# The plug-in the MSI carries: the zip's, signed when the release is.
zips=("$dist"/qvperfcopy-[0-9]*.zip)
[ ${#zips[@]} -eq 1 ] || fail "finding the release's plug-in" "expected one qvperfcopy-VERSION.zip in $dist, found ${#zips[@]}"
mkdir -p "$tree/build/vm32-tools"
plugin=$tree/build/vm32-tools/release-qvperfcopy.fxt
if ! unzip -p "${zips[0]}" '*/qvperfcopy.fxt' >"$plugin" || [ ! -s "$plugin" ]; then
  fail "finding the release's plug-in" "no qvperfcopy.fxt in ${zips[0]}"
fi
i686-w64-mingw32-gcc -O2 -s -Wall -o "$tree/build/vm32-tools/winshot.exe" "$here/winshot.c" -luser32 -lgdi32 ||
  fail "building the screenshot tool" "i686-w64-mingw32-gcc failed"
guest() { echo "/vm/tree/${1#"$tree"/}"; }
exec "$here/run.sh" --out "$tree/build/vm32-release" "$here/release-msi-tests.sh" \
  "$(guest "${msis[0]}")" "$(guest "${olders[0]}")" "$(guest "$plugin")"

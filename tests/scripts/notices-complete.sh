#!/usr/bin/env bash
# Every library that the build put into a shipped file has its notice in
# what ships: the plug-in's zip (qvperfcopy.fxt, from the win32 build's link
# map) and the web page's zip and page (the WebAssembly module, from the
# emscripten build's link trace). The libraries are listed from the build by
# scripts/notices.sh --list; each must have its section in the zip's
# THIRD-PARTY-NOTICES.txt, holding the package's copyright file word for
# word, and the page must show the same text.
#
#   tests/scripts/notices-complete.sh DIST WIN32-BUILD WEB-BUILD
#       ends with "notices: N passed, N failed"
set -uo pipefail
cd "$(dirname "$0")/../.." || exit 1
[ $# -eq 3 ] || { echo "usage: tests/scripts/notices-complete.sh DIST WIN32-BUILD WEB-BUILD" >&2; exit 2; }
dist=$1 win32=$2 web=$3
passed=0
failed=0
ok() { passed=$((passed + 1)); echo "ok: $1"; }
bad() { failed=$((failed + 1)); echo "FAIL: $1"; }
work=$(mktemp -d "${TMPDIR:-/tmp}/notices-complete.XXXXXX") || { echo "notices: no temporary folder"; exit 1; }
trap 'rm -rf "$work"' EXIT

# The sections of a notices file: the line after each rule of '=' that
# follows an empty line (the rule after the section's header does not).
sections() {
  awk -v rule="$(printf '=%.0s' {1..72})" 'opening { print; opening = 0 } $0 == rule { opening = (last == "") } { last = $0 }' "$1"
}
# Whether the first file holds the second's bytes.
contains() { python3 -c 'import sys; sys.exit(open(sys.argv[2], "rb").read() not in open(sys.argv[1], "rb").read())' "$1" "$2"; }

# checks NAME NOTICES BUILD "RECORD..." KNOWN...: NOTICES is the file as it
# ships; KNOWN are source packages the file is known to carry, which the
# listing must find too.
checks() {
  local name=$1 notices=$2 build=$3 records=$4
  shift 4
  local list=$work/$name.list
  # shellcheck disable=SC2086  # the records are paths without spaces
  if ! scripts/notices.sh --list "$build" $records >"$list" 2>"$work/list.err"; then
    bad "$name: listing the libraries from $build failed: $(head -n 1 "$work/list.err")"
    return
  fi
  if [ ! -s "$list" ]; then
    bad "$name: the build of $build lists no other project's code, not even the C++ runtime's"
    return
  fi
  local known unfound=""
  for known in "$@"; do
    grep -q "^$known"$'\t' "$list" || unfound+="$known "
  done
  if [ -z "$unfound" ]; then ok "$name: the listing finds $*"; else bad "$name: the listing of $build misses $unfound"; fi
  local missing="" package copyright files
  while IFS=$'\t' read -r package copyright files; do
    if ! grep -Fqx -- "$package" <(sections "$notices"); then
      missing+="$package ($files) "
    elif [ ! -s "$copyright" ] || ! contains "$notices" "$copyright"; then
      missing+="$package (not its copyright file $copyright) "
    fi
  done <"$list"
  if [ -z "$missing" ]; then
    ok "$name: each of $(cut -f1 "$list" | tr '\n' ' ')has its notice in what ships"
  else
    bad "$name: no notice in what ships for $missing"
  fi
}

# from_zip NAME ZIP MEMBER: the member as the zip holds it, in the work folder.
from_zip() {
  if unzip -p "$2" "$3" >"$work/$1" 2>"$work/unzip.err" && [ -s "$work/$1" ]; then return 0; fi
  bad "$1: $2 holds no $3 ($(head -n 1 "$work/unzip.err"))"
  return 1
}

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$win32/CMakeCache.txt" 2>/dev/null)
if [ -z "$version" ]; then
  bad "no project version in $win32/CMakeCache.txt"
else
  zip=$dist/qvperfcopy-$version.zip
  from_zip plug-in.txt "$zip" "qvperfcopy-$version/THIRD-PARTY-NOTICES.txt" &&
    checks plug-in "$work/plug-in.txt" "$win32" "$win32/src/qvperfcopy.map" gcc-mingw-w64 mingw-w64
  # The installer's, beside the plug-in, covers its custom actions' DLL too.
  mkdir -p "$work/msi"
  if msiextract -C "$work/msi" "$dist/qvperfcopy-$version.msi" >/dev/null 2>"$work/msi.err" &&
     installed=$(find "$work/msi" -name qvperfcopy-THIRD-PARTY-NOTICES.txt -size +0) && [ -n "$installed" ]; then
    checks installer "$installed" "$win32" "$win32/src/qvperfcopy.map $win32/installer/actions/qvsetup.map" \
      gcc-mingw-w64 mingw-w64
  else
    bad "installer: $dist/qvperfcopy-$version.msi installs no qvperfcopy-THIRD-PARTY-NOTICES.txt $(head -n 1 "$work/msi.err")"
  fi
  web_zip=$dist/qvperfcopy-web-$version.zip
  if from_zip web.txt "$web_zip" "qvperfcopy-web-$version/THIRD-PARTY-NOTICES.txt"; then
    checks web "$work/web.txt" "$web" "$web/web/qvperfcopy-web.trace" emscripten pugixml zlib nlohmann-json3
    # The page's Licences section: the same text, as HTML.
    if from_zip index.html "$web_zip" "qvperfcopy-web-$version/index.html"; then
      sed 's/&/\&amp;/g; s/</\&lt;/g; s/>/\&gt;/g' "$work/web.txt" >"$work/web.html"
      if contains "$work/index.html" "$work/web.html"; then
        ok "web: the page holds THIRD-PARTY-NOTICES.txt for its Licences section"
      else
        bad "web: the page's text differs from its zip's THIRD-PARTY-NOTICES.txt"
      fi
    fi
  fi
fi
echo "notices: $passed passed, $failed failed"
[ "$failed" -eq 0 ]

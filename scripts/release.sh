#!/usr/bin/env bash
# Builds the release from scratch and writes dist/:
#   qvperfcopy-VERSION.msi   the installer (the 32-bit plug-in, for Finale)
#   qvperfcopy-VERSION.zip   for installing by hand: qvperfcopy.fxt, README.txt,
#                            LICENSE.txt, THIRD-PARTY-NOTICES.txt
#   qvperfcopy-web-VERSION.zip  the web page (index.html, one file), which runs
#                            the copy on MusicXML in a browser, and its
#                            THIRD-PARTY-NOTICES.txt
#   SHA256SUMS               the checksums of all three
# VERSION is the CMake project version, which the DLL's version resource
# carries too. The .fxt and the zip are the same bytes on every run from the
# same commit; the MSI is not (see docs/release.md, "The release folder").
#
#   scripts/release.sh [--output FOLDER]
set -euo pipefail
cd "$(dirname "$0")/.." || exit 1
dist=dist
while [ $# -gt 0 ]; do
  case "$1" in
    --output) [ $# -ge 2 ] || { echo "release.sh: --output needs a folder" >&2; exit 2; }; dist=$2; shift ;;
    *) echo "release.sh: unknown option $1" >&2; exit 2 ;;
  esac
  shift
done
[ "${QV_SKIP_SETUP:-0}" = 1 ] || scripts/setup.sh

# A build folder of the release's own, made anew: nothing from an earlier
# build goes into it.
build=build/release-win32
rm -rf "$build"
cmake --preset win32 -B "$build" >/dev/null
cmake --build "$build" --target qvperfcopy qvsetup
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
[ -n "$version" ] || { echo "release.sh: no project version in $build/CMakeCache.txt" >&2; exit 1; }
plugin=$build/bin/qvperfcopy.fxt
tools/check_dll.sh i686-w64-mingw32-objdump "$plugin" pei-i386 src/shell/qvperfcopy.def
tools/check_imports.sh i686-w64-mingw32-objdump "$plugin" windows/imports-pei-i386.txt windows/imports-after-xp.txt
actions=$build/installer/qvsetup.dll
tools/check_imports.sh i686-w64-mingw32-objdump "$actions" installer/actions/imports-pei-i386.txt windows/imports-after-xp.txt
texts=$(strings -e l "$plugin")
if ! grep -qx "$version.0" <<<"$texts"; then
  echo "release.sh: the version resource of $plugin does not carry $version" >&2
  exit 1
fi

# File times inside the packages: the commit's, so that a second run gives
# the same bytes.
if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
  SOURCE_DATE_EPOCH=$(git log -1 --format=%ct 2>/dev/null || echo 1704067200)
fi
export SOURCE_DATE_EPOCH

rm -rf "$dist"
mkdir -p "$dist"
dist=$(cd "$dist" && pwd)
msi=qvperfcopy-$version.msi
zip=qvperfcopy-$version.zip
installer/build-msi.sh "$version" x86 "$plugin" "$actions" "$dist/$msi"

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
folder=$stage/qvperfcopy-$version
mkdir -p "$folder"
cp "$plugin" "$folder/qvperfcopy.fxt"
sed "s/@VERSION@/$version/g" installer/README.txt >"$folder/README.txt"
cp LICENSE.txt "$folder/LICENSE.txt"
scripts/notices.sh "$build" "$build/src/qvperfcopy.map" >"$folder/THIRD-PARTY-NOTICES.txt" ||
  { echo "release.sh: gathering the plug-in's third-party notices failed" >&2; exit 1; }
touch -d "@$SOURCE_DATE_EPOCH" "$folder" "$folder"/*
# -X: no owner or extra time fields; -D: no folder entries; names in a fixed order.
(cd "$stage" && TZ=UTC zip -q -X -D "$dist/$zip" \
   "qvperfcopy-$version/qvperfcopy.fxt" "qvperfcopy-$version/README.txt" "qvperfcopy-$version/LICENSE.txt" \
   "qvperfcopy-$version/THIRD-PARTY-NOTICES.txt")

# The web page, built by scripts/web.sh.
web=qvperfcopy-web-$version.zip
QV_SKIP_SETUP=1 scripts/web.sh >/dev/null || { echo "release.sh: building the web page failed" >&2; exit 1; }
page=$stage/qvperfcopy-web-$version
mkdir -p "$page"
cp build/web/index.html build/web/THIRD-PARTY-NOTICES.txt "$page/"
touch -d "@$SOURCE_DATE_EPOCH" "$page" "$page"/*
(cd "$stage" && TZ=UTC zip -q -X -D "$dist/$web" "qvperfcopy-web-$version/index.html" \
   "qvperfcopy-web-$version/THIRD-PARTY-NOTICES.txt")

(cd "$dist" && sha256sum "$msi" "$zip" "$web" >SHA256SUMS)
echo "release $version in $dist:"
(cd "$dist" && stat -c '  %n (%s bytes)' "$msi" "$zip" "$web" SHA256SUMS)

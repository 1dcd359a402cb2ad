#!/usr/bin/env bash
# Builds the release from scratch and writes dist/:
#   qvperfcopy-VERSION.msi   the installer (the 32-bit plug-in, for Finale, and
#                            qvperfcopy-THIRD-PARTY-NOTICES.txt beside it)
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
# With --sign, the .fxt (before it goes into the zip and the MSI) and the MSI
# carry Authenticode signatures by CERT.pfx (its password in
# QV_SIGN_PASSWORD, empty when unset), SHA-256, timestamped only by a server
# given with --timestamp; each signature is verified against the
# certificate's chain. The folder is written whole or not at all: it is
# made beside its place and moved there at the end.
#
#   scripts/release.sh [--output FOLDER] [--sign CERT.pfx [--timestamp URL]]
set -euo pipefail
cd "$(dirname "$0")/.." || exit 1
dist=dist
cert=""
timestamp=""
while [ $# -gt 0 ]; do
  case "$1" in
    --output|--sign|--timestamp)
      if [ $# -lt 2 ] || [ -z "$2" ]; then echo "release.sh: $1 needs a value" >&2; exit 2; fi
      case "$1" in --output) dist=$2 ;; --sign) cert=$2 ;; --timestamp) timestamp=$2 ;; esac
      shift ;;
    *) echo "release.sh: unknown option $1" >&2; exit 2 ;;
  esac
  shift
done
[ -z "$timestamp" ] || [ -n "$cert" ] || { echo "release.sh: --timestamp needs --sign" >&2; exit 2; }
[ "${QV_SKIP_SETUP:-0}" = 1 ] || scripts/setup.sh
# The certificate is checked before anything is built or written.
if [ -n "$cert" ]; then
  scripts/sign.sh check "$cert" || exit 1
else
  echo "release.sh: an unsigned release (no --sign CERT.pfx given)"
fi

# A build folder of the release's own, made anew: nothing from an earlier
# build goes into it.
build=build/release-win32
rm -rf "$build"
cmake --preset win32 -B "$build" >/dev/null
cmake --build "$build" --target qvperfcopy qvsetup
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
[ -n "$version" ] || { echo "release.sh: no project version in $build/CMakeCache.txt" >&2; exit 1; }
# File times inside the packages and the signing time: the commit's, so
# that a second run gives the same bytes.
if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
  SOURCE_DATE_EPOCH=$(git log -1 --format=%ct 2>/dev/null || echo 1704067200)
fi
export SOURCE_DATE_EPOCH

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
plugin=$build/bin/qvperfcopy.fxt
# The DLL is signed before its checks, which then look at what ships.
if [ -n "$cert" ]; then
  mkdir -p "$stage/signed"
  scripts/sign.sh sign "$cert" "$plugin" "$stage/signed/qvperfcopy.fxt" "$timestamp" || exit 1
  plugin=$stage/signed/qvperfcopy.fxt
  scripts/sign.sh verify "$cert" "$plugin" || exit 1
fi
tools/check_dll.sh i686-w64-mingw32-objdump "$plugin" pei-i386 src/shell/qvperfcopy.def
tools/check_imports.sh i686-w64-mingw32-objdump "$plugin" windows/imports-pei-i386.txt windows/imports-after-xp.txt
actions=$build/installer/qvsetup.dll
tools/check_imports.sh i686-w64-mingw32-objdump "$actions" installer/actions/imports-pei-i386.txt windows/imports-after-xp.txt
texts=$(strings -e l "$plugin")
if ! grep -qx "$version.0" <<<"$texts"; then
  echo "release.sh: the version resource of $plugin does not carry $version" >&2
  exit 1
fi

# Written beside its place, moved there when whole.
final=$dist
rm -rf "$final.partial"
mkdir -p "$final.partial"
dist=$(cd "$final.partial" && pwd)
trap 'rm -rf "$stage" "$dist"' EXIT
msi=qvperfcopy-$version.msi
zip=qvperfcopy-$version.zip
# The package's notices cover the custom actions' DLL too.
scripts/notices.sh "$build" "$build/src/qvperfcopy.map" "$build/installer/actions/qvsetup.map" \
  >"$stage/msi-notices.txt" || { echo "release.sh: gathering the installer's third-party notices failed" >&2; exit 1; }
if [ -n "$cert" ]; then
  installer/build-msi.sh "$version" x86 "$plugin" "$actions" "$stage/msi-notices.txt" "$stage/$msi"
  scripts/sign.sh sign "$cert" "$stage/$msi" "$dist/$msi" "$timestamp" || exit 1
  scripts/sign.sh verify "$cert" "$dist/$msi" || exit 1
else
  installer/build-msi.sh "$version" x86 "$plugin" "$actions" "$stage/msi-notices.txt" "$dist/$msi"
fi
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
rm -rf "$final"
mv "$dist" "$final"
trap 'rm -rf "$stage"' EXIT
echo "release $version in $(cd "$final" && pwd)${cert:+, signed by $cert}:"
(cd "$final" && stat -c '  %n (%s bytes)' "$msi" "$zip" "$web" SHA256SUMS)

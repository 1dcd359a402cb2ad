#!/usr/bin/env bash
# Installs what the builds and tests need on a fresh Debian 12 machine.
set -euo pipefail
packages=(
  cmake ninja-build g++ make
  g++-mingw-w64-i686 g++-mingw-w64-x86-64 binutils-mingw-w64-i686 binutils-mingw-w64-x86-64
  googletest libgtest-dev libbenchmark-dev nlohmann-json3-dev
  wine64 xvfb imagemagick
  gcc-multilib g++-multilib qemu-user
  clang-14 libfuzzer-14-dev libclang-rt-14-dev
  dpkg-dev
  wixl msitools xdotool zip
)
missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo=sudo
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The XML parser and zlib are built from Debian's source packages with each
# build (Linux, i386, both Windows targets, the fuzzers), because Debian
# ships them as libraries for the build machine only. Sources go to
# build/deps, outside every preset's folder.
sources_list=/etc/apt/sources.list.d/qvperfcopy-sources.sources
deps=build/deps
cd "$(dirname "$0")/.."
need_sources=0
for source in pugixml zlib; do
  compgen -G "$deps/$source-*/" >/dev/null || need_sources=1
done
if [ "$need_sources" -eq 1 ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo=sudo
  if [ ! -e "$sources_list" ]; then
    printf '%s\n' 'Types: deb-src' 'URIs: http://deb.debian.org/debian' 'Suites: bookworm' 'Components: main' \
      'Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg' | $sudo tee "$sources_list" >/dev/null
    $sudo apt-get update -qq
  fi
  mkdir -p "$deps"
  for source in pugixml zlib; do
    compgen -G "$deps/$source-*/" >/dev/null && continue
    (cd "$deps" && apt-get source -qq "$source" 2>&1 | grep -v -e '^W: Download is performed unsandboxed' -e '^dpkg-source: info' || true)
    compgen -G "$deps/$source-*/" >/dev/null || { echo "setup: could not fetch the source of $source" >&2; exit 1; }
  done
fi

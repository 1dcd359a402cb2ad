#!/usr/bin/env bash
# Installs what the builds and tests need on a fresh Debian 12 machine.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
trap 'echo "setup: this step failed: $BASH_COMMAND" >&2' ERR
packages=(
  cmake ninja-build g++ make
  g++-mingw-w64-i686 g++-mingw-w64-x86-64 binutils-mingw-w64-i686 binutils-mingw-w64-x86-64
  g++-mingw-w64-i686-win32 g++-mingw-w64-x86-64-win32 g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix
  googletest libgtest-dev libbenchmark-dev nlohmann-json3-dev libcli11-dev
  wine64 xvfb imagemagick
  gcc-multilib g++-multilib qemu-user
  clang-14 libfuzzer-14-dev libclang-rt-14-dev
  dpkg-dev
  wixl msitools x11-utils xdotool zip
  shellcheck python3 python3-mido gcovr
  osslsigncode openssl
)
missing=()
for package in "${packages[@]}"; do
  [ "$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null)" = 'install ok installed' ] || missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
  # scripts/apt-get.sh says in one line what failed.
  "$root/scripts/apt-get.sh" update -qq || exit 1
  "$root/scripts/apt-get.sh" install -y -qq --no-install-recommends "${missing[@]}" || exit 1
fi

# The XML parser and zlib are built from Debian's source packages with each
# build (Linux, i386, both Windows targets, the fuzzers), because Debian
# ships them as libraries for the build machine only. Sources go to
# build/deps, outside every preset's folder.
sources_list=/etc/apt/sources.list.d/qvperfcopy-sources.sources
sources_lines=/etc/apt/sources.list.d/qvperfcopy-sources.list

# deb-src sources for the Debian archive this machine already uses: the
# URIs, suites, components and keyring of each "deb" source of this
# release, from deb822 files (as stanzas) and from one-line entries (as
# lines). The security archive is left out: mirrors often carry its binary
# packages but not its sources, and the release's own sources suffice.
deb_src_stanzas() {
  local codename
  codename=$(sed -n 's/^VERSION_CODENAME=//p' /etc/os-release)
  [ -n "$codename" ] || return 0
  local file
  for file in /etc/apt/sources.list.d/*.sources; do
    if [ ! -f "$file" ] || [ "$file" = "$sources_list" ]; then continue; fi
    awk -v codename="$codename" '
      function flush() {
        if (types ~ /(^| )deb( |$)/ && suites ~ ("(^| )" codename "([- ]|$)") && suites !~ /-security/ && uris != "") {
          print "Types: deb-src"; print "URIs: " uris; print "Suites: " suites
          if (components != "") print "Components: " components
          if (signed != "") print "Signed-By: " signed
          print ""
        }
        types = uris = suites = components = signed = ""
      }
      /^[[:space:]]*$/ { flush(); next }
      /^#/ { next }
      /^Types:/ { sub(/^Types:[[:space:]]*/, ""); types = $0 }
      /^URIs:/ { sub(/^URIs:[[:space:]]*/, ""); uris = $0 }
      /^Suites:/ { sub(/^Suites:[[:space:]]*/, ""); suites = $0 }
      /^Components:/ { sub(/^Components:[[:space:]]*/, ""); components = $0 }
      /^Signed-By:/ { sub(/^Signed-By:[[:space:]]*/, ""); signed = $0 }
      /^Enabled:[[:space:]]*no/ { types = "" }
      END { flush() }' "$file"
  done
}
deb_src_lines() {
  local codename list
  codename=$(sed -n 's/^VERSION_CODENAME=//p' /etc/os-release)
  [ -n "$codename" ] || return 0
  for list in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    if [ ! -f "$list" ] || [ "$list" = "$sources_lines" ]; then continue; fi
    awk -v codename="$codename" '$1 == "deb" && $0 !~ /-security/ {
        line = $0; sub(/^deb/, "deb-src", line)
        for (i = 2; i <= NF; i++) if ($i ~ ("^" codename "([-/]|$)")) { print line; break } }' "$list"
  done
}
deps=build/deps
cd "$(dirname "$0")/.." || exit 1
need_sources=0
for source in pugixml zlib; do
  compgen -G "$deps/$source-*/" >/dev/null || need_sources=1
done
if [ "$need_sources" -eq 1 ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo=sudo
  if [ ! -e "$sources_list" ] && [ ! -e "$sources_lines" ]; then
    stanzas=$(deb_src_stanzas)
    lines=$(deb_src_lines)
    [ -n "$stanzas$lines" ] || { echo "setup: apt's sources name no Debian archive of this release to take source packages from" >&2; exit 1; }
    [ -z "$stanzas" ] || printf '%s\n' "$stanzas" | $sudo tee "$sources_list" >/dev/null
    [ -z "$lines" ] || printf '%s\n' "$lines" | $sudo tee "$sources_lines" >/dev/null
    scripts/apt-get.sh update -qq || { $sudo rm -f "$sources_list" "$sources_lines"; exit 1; }
  fi
  mkdir -p "$deps"
  for source in pugixml zlib; do
    compgen -G "$deps/$source-*/" >/dev/null && continue
    # Its status is not the verdict (the folder is, below); the filter may
    # pass no line at all, which is not a failure either.
    (cd "$deps" && { "$root/scripts/apt-get.sh" source -qq "$source" 2>&1 || true; } |
       { grep -v -e '^W: Download is performed unsandboxed' -e '^dpkg-source: info' || true; })
    compgen -G "$deps/$source-*/" >/dev/null || { echo "setup: could not fetch the source of $source" >&2; exit 1; }
  done
fi

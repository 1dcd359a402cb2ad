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

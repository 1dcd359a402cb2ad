#!/usr/bin/env bash
# Prepares the virtual machine that runs the 32-bit product: Debian 12's own
# amd64 kernel (unpacked, never installed), a private i386 root with 32-bit
# Wine and Xvfb (extracted with mmdebstrap, nothing of it runs here), and a
# small initramfs that mounts the shared folders and starts the guest's job.
#
# Everything large lives in a cache outside the clone, in a folder named by
# what it was built from: the kernel and Wine package versions and this
# tool's own files. A second run finds it ready; a run after any of those
# changed builds a new one and removes the old. Every step builds into a
# ".partial" folder or file and renames it when complete, so a run killed
# mid-way leaves nothing that a later run mistakes for finished work.
#
#   tools/vm32/setup.sh          prints the cache folder on the last line
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=tools/vm32/common.sh
. "$here/common.sh"

host_packages=(qemu-system-x86 busybox-static mmdebstrap binutils-mingw-w64-i686 gcc-mingw-w64-i686)
# What the guest's root holds: 32-bit Wine, a virtual screen, a shell and the
# few tools the guest's scripts use.
root_packages=wine,wine32,libc-bin,xvfb,xauth,dash,bash,coreutils,diffutils,findutils,grep,sed,gawk,procps,tar,gzip,base-files,base-passwd,debianutils,util-linux
# The kernel modules that the initramfs loads, for virtio and 9p.
modules=(virtio_pci 9pnet_virtio 9p)

install_host_packages() {
  local missing=() package
  for package in "${host_packages[@]}"; do
    [ "$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null)" = 'install ok installed' ] || missing+=("$package")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  progress "installing ${missing[*]}"
  # scripts/apt-get.sh waits its turn for the package lock and ends its
  # output with one line saying what failed.
  local apt_get="$here/../../scripts/apt-get.sh"
  if ! "$apt_get" install -y -qq --no-install-recommends "${missing[@]}" >"$log_folder/apt.log" 2>&1; then
    "$apt_get" update -qq >>"$log_folder/apt.log" 2>&1 || true
    "$apt_get" install -y -qq --no-install-recommends "${missing[@]}" >>"$log_folder/apt.log" 2>&1 ||
      fail "installing the host packages" "$(tail -n 1 "$log_folder/apt.log") (see $log_folder/apt.log)"
  fi
}

# The Debian mirror that apt on this machine already uses.
mirror() {
  local uri
  uri=$(sed -n 's/^URIs:[[:space:]]*//p' /etc/apt/sources.list.d/*.sources 2>/dev/null |
          tr ' ' '\n' | grep -v -e '-security' -e '^$' | sed -n 1p || true)
  [ -n "$uri" ] || uri=$(awk '$1 == "deb" && $0 !~ /security/ { for (i = 2; i <= NF; i++)
                           if ($i ~ /^(https?|file):/) { print $i; exit } }' /etc/apt/sources.list 2>/dev/null || true)
  [ -n "$uri" ] || fail "finding a Debian mirror" "apt's sources name none"
  echo "$uri"
}

kernel_package() {
  apt-cache depends linux-image-amd64 2>/dev/null | awk '/Depends: linux-image-[0-9]/ { print $2; exit }'
}

package_version() {
  apt-cache show --no-all-versions "$1" 2>/dev/null | sed -n 's/^Version: //p' | sed -n 1p
}

# The cache folder's name: a hash of what the machine is built from.
cache_key() {
  local kernel wine
  kernel=$(kernel_package)
  [ -n "$kernel" ] || fail "finding the kernel package" "apt-cache knows no linux-image-amd64 (run apt-get update)"
  wine=$(package_version wine)
  [ -n "$wine" ] || fail "finding the Wine package" "apt-cache knows no wine"
  { echo "$kernel $(package_version "$kernel")"; echo "wine $wine"; echo "$root_packages"
    cat "$here/setup.sh" "$here/init"; } | sha256sum | cut -c1-16
}

build_kernel() {
  [ -f "$cache/kernel/vmlinuz" ] && return 0
  local package work
  package=$(kernel_package)
  progress "fetching the kernel $package (unpacked, not installed)"
  work=$cache/kernel.partial
  rm -rf "$work"
  mkdir -p "$work/deb"
  (cd "$work/deb" && timeout 600 "$here/../../scripts/apt-get.sh" download -q "$package" >"$log_folder/kernel.log" 2>&1) ||
    fail "fetching the kernel" "apt-get download $package failed or took over 10 minutes (see $log_folder/kernel.log)"
  dpkg-deb -x "$work"/deb/*.deb "$work/unpacked"
  cp "$work"/unpacked/boot/vmlinuz-* "$work/vmlinuz"
  local tree
  tree=$(find "$work"/unpacked/lib/modules -mindepth 1 -maxdepth 1 -type d | sort | sed -n 1p)
  mkdir -p "$work/modules"
  module_order "$tree" "${modules[@]}" >"$work/modules/order"
  while read -r module; do cp "$tree/$module" "$work/modules/"; done <"$work/modules/order"
  sed -i 's|.*/||' "$work/modules/order"
  rm -rf "$work/deb" "$work/unpacked"
  mv "$work" "$cache/kernel"
}

# Prints the modules' paths (relative to the module tree) in load order, from
# the depends= field of each module, since the package ships no modules.dep.
module_order() {
  local tree=$1
  shift
  local -A seen=()
  visit() {
    local name=$1 file depends dependency
    [ -n "${seen[$name]:-}" ] && return 0
    seen[$name]=1
    file=$(cd "$tree" && find kernel -name "$name.ko*" -print -quit)
    [ -n "$file" ] || file=$(cd "$tree" && find kernel -name "${name//_/-}.ko*" -print -quit)
    if [ -z "$file" ]; then
      grep -q "/$name.ko" "$tree/modules.builtin" && return 0
      fail "building the initramfs" "the kernel has no module $name"
    fi
    depends=$(modinfo_field "$tree/$file" depends)
    for dependency in ${depends//,/ }; do visit "$dependency"; done
    echo "$file"
  }
  local module
  for module in "$@"; do visit "$module"; done
}

modinfo_field() {
  case "$1" in
    *.xz) xz -dc "$1" ;;
    *.zst) zstd -dc "$1" ;;
    *) cat "$1" ;;
  esac | tr '\0' '\n' | sed -n "s/^$2=//p" | sed -n 1p
}

build_root() {
  [ -f "$cache/root/.complete" ] && return 0
  local work=$cache/root.partial uri
  uri=$(mirror)
  progress "extracting the i386 root with 32-bit Wine (about 250 packages, a minute or two)"
  rm -rf "$work"
  # The extract variant only unpacks: no i386 program runs on this machine.
  # The security suite is left out: the root is a throwaway test machine,
  # and its i386 index can lag the amd64 one.
  timeout 1500 mmdebstrap --variant=extract --architectures=i386 --include="$root_packages" \
    bookworm "$work" "deb $uri bookworm main" "deb $uri bookworm-updates main" >"$log_folder/mmdebstrap.log" 2>&1 ||
    fail "extracting the i386 root" "mmdebstrap failed or took over 25 minutes (see $log_folder/mmdebstrap.log)"
  # What the maintainer scripts would have done, as far as Wine needs it.
  cp "$work/usr/share/base-passwd/passwd.master" "$work/etc/passwd"
  cp "$work/usr/share/base-passwd/group.master" "$work/etc/group"
  local tool
  for tool in wine wineboot winecfg wineconsole winedbg winepath wineserver; do
    [ -e "$work/usr/bin/$tool" ] || [ ! -e "$work/usr/bin/$tool-stable" ] || ln -s "$tool-stable" "$work/usr/bin/$tool"
  done
  make_builtin_zlib "$work"
  # Wine's PE builtins carry debug information that every new prefix copies.
  find "$work/usr/lib/i386-linux-gnu/wine/i386-windows" -type f -print0 |
    xargs -0 -n 50 i686-w64-mingw32-strip --strip-debug
  printf '127.0.0.1\tlocalhost vm32\n' >"$work/etc/hosts"
  echo vm32 >"$work/etc/hostname"
  # The library cache, made here so that the root can be shared read-only.
  ldconfig -r "$work" 2>>"$log_folder/ldconfig.log" ||
    fail "extracting the i386 root" "ldconfig could not index its libraries"
  # Mount points of the shared folders and the guest's own memory folders.
  mkdir -p "$work/vm/tree" "$work/vm/out" "$work/vm/state" "$work/var/lib/xkb"
  touch "$work/.complete"
  mv "$work" "$cache/root"
}

# libwine's own set-up turns the mingw zlib1.dll into a Wine builtin, which
# user32 imports: without it no program with a window starts.
make_builtin_zlib() {
  local root=$1
  local in=$root/usr/i686-w64-mingw32/lib/zlib1.dll
  local out=$root/usr/lib/i386-linux-gnu/wine/i386-windows/zlib1.dll
  [ -f "$in" ] || fail "extracting the i386 root" "it has no $in"
  { head -c 64 "$in"; printf 'Wine builtin DLL'; head -c 16 /dev/zero; tail -c +97 "$in"; } >"$out"
}

build_initramfs() {
  [ -f "$cache/initramfs.cpio.gz" ] && return 0
  progress "building the initramfs"
  local work=$cache/initramfs.partial
  rm -rf "$work" "$cache/initramfs.cpio.gz.partial"
  mkdir -p "$work"/{bin,dev,proc,sys,mnt,lib/modules}
  cp "$(command -v busybox)" "$work/bin/busybox"
  cp "$cache"/kernel/modules/* "$work/lib/modules/"
  cp "$here/init" "$work/init"
  chmod 755 "$work/init"
  (cd "$work" && find . | LC_ALL=C sort | busybox cpio -o -H newc 2>/dev/null | gzip -1) >"$cache/initramfs.cpio.gz.partial"
  rm -rf "$work"
  mv "$cache/initramfs.cpio.gz.partial" "$cache/initramfs.cpio.gz"
}

# shellcheck disable=SC2154 # cache_root is set by common.sh, sourced above
mkdir -p "$cache_root"
log_folder=$cache_root/logs
mkdir -p "$log_folder"
install_host_packages
key=$(cache_key)
cache=$cache_root/$key
mkdir -p "$cache"
# One set-up at a time per machine.
exec 9>"$cache_root/lock"
flock 9
build_kernel
build_root
build_initramfs
mkdir -p "$cache/state"
# Older machines, built from other versions, go.
for old in "$cache_root"/*/; do
  old=${old%/}
  [ "$old" = "$cache" ] || [ "$(basename "$old")" = logs ] || rm -rf "$old"
done
echo "$cache"

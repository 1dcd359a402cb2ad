# shellcheck shell=bash
# Sourced first by every script that starts Wine programs: runs that script
# again, once, with the kernel's address randomisation off, and its Wine
# programs inherit that.
#
# Debian's wine64 has no preloader, so Wine reserves the low memory it needs
# (among it the shared user data page at 0x7ffe0000) only once it runs. Its
# loader sits at 0x7d000000, and the kernel starts the loader's heap at a
# random place up to 1 GiB above it: about once in a thousand starts the heap
# already covers that page, and the program dies before it runs ("failed to
# map the shared user data", exit status 1). Without randomisation the heap
# starts right after the loader, far below it.
if [ "${QV_WINE_FIXED_LAYOUT:-0}" != 1 ] && setarch "$(uname -m)" -R true 2>/dev/null; then
  export QV_WINE_FIXED_LAYOUT=1
  exec setarch "$(uname -m)" -R "$0" "$@"
fi

# shellcheck shell=bash
# Shared by the virtual machine's set-up and runner.
# shellcheck disable=SC2034  # used by the scripts that source this file
cache_root=${QV_VM32_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/qvperfcopy-vm32}

progress() { printf 'vm32: %s\n' "$*" >&2; }

# One line naming the step that failed and why, then a non-zero exit.
fail() {
  printf 'vm32: %s failed: %s\n' "$1" "$2" >&2
  exit 1
}

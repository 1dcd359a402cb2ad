#!/usr/bin/env bash
# A script that sources tools/wine-layout.sh runs on, and hands the Wine
# programs it starts, the kernel's fixed memory layout (no address
# randomisation). The test's time limit catches a script started again and
# again.
set -euo pipefail
# shellcheck source=tools/wine-layout.sh
. "$(dirname "$0")/../../tools/wine-layout.sh"
read -r personality </proc/self/personality
child=$(cat /proc/self/personality)
for value in "$personality" "$child"; do
  if (( (16#$value & 0x0040000) == 0 )); then
    echo "wine-layout: FAIL: personality $value: the address space is still randomised"
    exit 1
  fi
done
echo "wine-layout: ok (personality $personality)"

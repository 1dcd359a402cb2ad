#!/usr/bin/env bash
# Checks a built plug-in DLL: its PE format, that it exports exactly the
# names of the .def file under their plain names, and that it imports only
# from system DLLs.
# Usage: check_dll.sh <objdump> <dll> <expected format, e.g. pei-i386> <def file>
set -uo pipefail
objdump=$1 dll=$2 format=$3 def=$4
dump=$("$objdump" -p "$dll") || { echo "FAIL: $objdump could not read $dll"; exit 1; }
failed=0

actual_format=$(printf '%s\n' "$dump" | sed -n 's/.*file format \(.*\)$/\1/p' | head -n 1)
if [ "$actual_format" != "$format" ]; then
  echo "FAIL: format is '$actual_format', expected '$format'"; failed=1
fi

# The export table lists "[Ordinal/Name Pointer] Table" rows as "[n] name".
exports=$(printf '%s\n' "$dump" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' |
          sed -n 's/^[[:space:]]*\[[[:space:]]*[0-9]*\][[:space:]]*\([^[:space:]]*\).*/\1/p' | sort)
expected=$(sed -n '/^EXPORTS/,$p' "$def" | tail -n +2 | awk 'NF { print $1 }' | sort)
if [ "$exports" != "$expected" ]; then
  echo "FAIL: exports differ from $def"
  diff <(printf '%s\n' "$expected") <(printf '%s\n' "$exports") | sed 's/^/  /'
  failed=1
fi

imports=$(printf '%s\n' "$dump" | sed -n 's/^[[:space:]]*DLL Name: \(.*\)$/\1/p' | tr 'a-z' 'A-Z' | sort -u)
if [ -z "$imports" ]; then
  echo "FAIL: no import table found"; failed=1
fi
for dll_name in $imports; do
  case "$dll_name" in
    KERNEL32.DLL|USER32.DLL|MSVCRT.DLL|UCRTBASE.DLL|API-MS-WIN-CRT-*.DLL) ;;
    *) echo "FAIL: imports $dll_name, which is not a system DLL"; failed=1 ;;
  esac
done

if [ "$failed" -eq 0 ]; then
  echo "ok: $dll is $format, exports $(echo $exports), imports $(echo $imports)"
fi
exit $failed

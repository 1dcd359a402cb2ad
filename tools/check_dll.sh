#!/usr/bin/env bash
# Checks a built plug-in DLL: its PE format, that it exports exactly the
# names of the .def file under their plain names, that it imports only from
# system DLLs, and that it carries the tool window's dialog and a version.
# Usage: check_dll.sh <objdump> <dll> <expected format, e.g. pei-i386> <def file>
set -uo pipefail
objdump=$1 dll=$2 format=$3 def=$4
dump=$("$objdump" -p "$dll") || { echo "FAIL: $objdump could not read $dll"; exit 1; }
failed=0

actual_format=$(sed -n 's/.*file format \(.*\)$/\1/p' <<<"$dump" | sed -n 1p)
if [ "$actual_format" != "$format" ]; then
  echo "FAIL: format is '$actual_format', expected '$format'"; failed=1
fi

# The export table lists "[Ordinal/Name Pointer] Table" rows as "[n] name".
exports=$(sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' <<<"$dump" |
          sed -n 's/^[[:space:]]*\[[[:space:]]*[0-9]*\][[:space:]]*\([^[:space:]]*\).*/\1/p' | sort)
expected=$(sed -n '/^EXPORTS/,$p' "$def" | tail -n +2 | awk 'NF { print $1 }' | sort)
if [ -z "$expected" ]; then
  echo "FAIL: $def lists no exports"; failed=1
elif [ "$exports" != "$expected" ]; then
  echo "FAIL: exports differ from $def"
  diff <(printf '%s\n' "$expected") <(printf '%s\n' "$exports") | sed 's/^/  /'
  failed=1
fi

imports=$(sed -n 's/^[[:space:]]*DLL Name: \(.*\)$/\1/p' <<<"$dump" | tr '[:lower:]' '[:upper:]' | sort -u)
if [ -z "$imports" ]; then
  echo "FAIL: no import table found"; failed=1
fi
for dll_name in $imports; do
  case "$dll_name" in
    KERNEL32.DLL|USER32.DLL|MSVCRT.DLL|UCRTBASE.DLL|API-MS-WIN-CRT-*.DLL) ;;
    *) echo "FAIL: imports $dll_name, which is not a system DLL"; failed=1 ;;
  esac
done

# Resources: the tool window's dialog template 20128 (type 5) and the
# version resource (type 16) naming the product.
has_dialog=$(awk '
  /^[0-9a-f]+   Entry: ID: / { type = $4 }
  /^[0-9a-f]+     Entry: ID: 0x004ea0,/ && type == "0x000005," { found = 1 }
  END { print found ? "yes" : "no" }' <<<"$dump")
if [ "$has_dialog" != yes ]; then
  echo "FAIL: no dialog template 20128 in the resources"; failed=1
fi
# Each text is read whole before it is searched: a reader that stops at its
# first match could end the writer early and fail the pipeline.
texts=$(strings -e l "$dll")
if ! grep -q '^[0-9a-f]*   Entry: ID: 0x000010,' <<<"$dump"; then
  echo "FAIL: no version resource"; failed=1
elif ! grep -qx 'QV Perfcopy' <<<"$texts"; then
  echo "FAIL: the version resource does not name the product QV Perfcopy"; failed=1
fi

if [ "$failed" -eq 0 ]; then
  echo "ok: $dll is $format, exports ${exports//$'\n'/ }, imports ${imports//$'\n'/ }, has dialog 20128 and a version resource"
fi
exit $failed

#!/usr/bin/env bash
# Checks that a DLL imports only the functions an allow-list names, each by
# its system DLL, and nothing by ordinal: the list pins what the shipped
# plug-in may call, so that a new import (a newer Windows function, a thread
# library's) fails the build until someone checks it and adds it.
# Usage: check_imports.sh OBJDUMP DLL ALLOWLIST [TOO_NEW]
# The allow-list has one "DLL FUNCTION" pair a line; # starts a comment.
# DLL names compare without regard to case. TOO_NEW, a list of the same
# form, names functions that the oldest supported Windows lacks: the
# allow-list must name none of them.
set -euo pipefail
[ $# -eq 3 ] || [ $# -eq 4 ] || { echo "check_imports.sh: usage: check_imports.sh OBJDUMP DLL ALLOWLIST [TOO_NEW]" >&2; exit 2; }
objdump=$1 dll=$2 allowlist=$3 too_new=${4:-}
[ -s "$dll" ] || { echo "FAIL: check_imports: no DLL $dll"; exit 1; }
[ -r "$allowlist" ] || { echo "FAIL: check_imports: no allow-list $allowlist"; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$objdump" -p "$dll" >"$work/dump.txt" || { echo "FAIL: check_imports: $objdump could not read $dll"; exit 1; }

# Each import as "DLL FUNCTION" (the DLL in capitals); an import by ordinal
# has no name and comes out as "DLL #ORDINAL".
awk '
  /^\tDLL Name: / { dll = toupper($3); next }
  dll != "" && /^\tvma:/ { next }
  dll != "" && /^\t[0-9a-f]+\t/ { if (NF >= 3) print dll, $3; else print dll, "#" $2; next }
  /^$/ { dll = "" }
' "$work/dump.txt" | sort -u >"$work/imports.txt"
pairs() { awk '!/^[[:space:]]*(#|$)/ { print toupper($1), $2 }' "$1" | sort -u; }
pairs "$allowlist" >"$work/allowed.txt"
[ -s "$work/allowed.txt" ] || { echo "FAIL: check_imports: the allow-list $allowlist names no function"; exit 1; }
if [ -n "$too_new" ]; then
  [ -r "$too_new" ] || { echo "FAIL: check_imports: no list of too new functions $too_new"; exit 1; }
  pairs "$too_new" >"$work/too-new.txt"
  [ -s "$work/too-new.txt" ] || { echo "FAIL: check_imports: the list $too_new names no function"; exit 1; }
  comm -12 "$work/allowed.txt" "$work/too-new.txt" >"$work/bad-allowed.txt"
  if [ -s "$work/bad-allowed.txt" ]; then
    while read -r name function; do
      echo "FAIL: $allowlist allows $function from $name, which $(basename "$too_new") names as too new"
    done <"$work/bad-allowed.txt"
    exit 1
  fi
fi

count=$(wc -l <"$work/imports.txt")
if [ "$count" -eq 0 ]; then
  echo "FAIL: check_imports: no imports found in $dll"
  exit 1
fi
comm -23 "$work/imports.txt" "$work/allowed.txt" >"$work/extra.txt"
if [ -s "$work/extra.txt" ]; then
  while read -r name function; do
    echo "FAIL: $dll imports $function from $name, which $allowlist does not allow"
  done <"$work/extra.txt"
  exit 1
fi
unused=$(comm -13 "$work/imports.txt" "$work/allowed.txt" | wc -l)
echo "ok: $dll imports $count functions, all on $(basename "$allowlist") ($unused listed but not imported)"

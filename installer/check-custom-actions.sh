#!/usr/bin/env bash
# Fails when a package's CustomAction table holds a script action: VBScript
# or JScript, from a binary, a file, a property or the table itself (types
# 5, 6, 21, 22, 37, 38, 53, 54, whatever flags come with them). Windows
# Installer borrows the system's script engines for those, which Windows
# can leave out.
# Usage: check-custom-actions.sh PACKAGE.msi
set -euo pipefail
[ $# -eq 1 ] || { echo "check-custom-actions.sh: usage: check-custom-actions.sh PACKAGE.msi" >&2; exit 2; }
package=$1
[ -s "$package" ] || { echo "FAIL: check-custom-actions: no package $package"; exit 1; }
table=$(msiinfo export "$package" CustomAction) ||
  { echo "FAIL: check-custom-actions: msiinfo could not read the CustomAction table of $package"; exit 1; }
# The export's first three lines are the column names, types and key.
rows=$(tr -d '\r' <<<"$table" | tail -n +4)
[ -n "$rows" ] || { echo "FAIL: check-custom-actions: $package has no custom actions to check"; exit 1; }
scripts=$(awk -F'\t' '$2 ~ /^[0-9]+$/ && ($2 % 8 == 5 || $2 % 8 == 6) { print $1 " (type " $2 ")" }
                      $2 !~ /^[0-9]+$/ { print $1 " (unreadable type " $2 ")" }' <<<"$rows")
if [ -n "$scripts" ]; then
  while read -r line; do echo "FAIL: $package has the script custom action $line"; done <<<"$scripts"
  exit 1
fi
echo "ok: $package has no script custom action ($(wc -l <<<"$rows") actions)"

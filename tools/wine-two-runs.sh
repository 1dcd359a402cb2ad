#!/usr/bin/env bash
# Two runs of FINALE.EXE in a row sharing one settings file: the second
# opens the window where the first closed it, with the first run's choices.
# Usage: wine-two-runs.sh FINALE.EXE SESSIONS-FOLDER
set -uo pipefail
exe=$1 sessions=$2
here=$(cd "$(dirname "$0")" && pwd)
folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
settings=$folder/settings-after-first-run.txt
"$here/wine-session.sh" "$exe" "$sessions/roundtrip-first.session.json" "$sessions/roundtrip-first.transcript.txt" \
  --settings-output "Z:$settings" || exit 1
"$here/wine-session.sh" "$exe" "$sessions/roundtrip-second.session.json" "$sessions/roundtrip-second.transcript.txt" \
  --settings "Z:$settings" || exit 1

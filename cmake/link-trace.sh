#!/usr/bin/env bash
# Runs a link whose linker prints its inputs (--trace) and keeps that list
# in the file named first, for scripts/notices.sh.
#   cmake/link-trace.sh TRACE-FILE LINK-COMMAND...
set -euo pipefail
trace=$1
shift
"$@" >"$trace.partial"
mv "$trace.partial" "$trace"

#!/usr/bin/env bash
# The other projects' code in a shipped file, found from its build, and
# their notices, taken from the Debian packages' own copyright files.
#
# A link record is the linker's map (GNU ld, -Map) or trace (wasm-ld,
# --trace) of one shipped file: it names every object and archive member
# that went in. Objects built here bring in their sources and headers (from
# ninja's records); every file from outside the project is then traced to
# the Debian source package it came from: build/deps/NAME-VERSION (the
# source packages that scripts/setup.sh unpacks), emscripten's cache (its
# libraries, built from emscripten's own sources), or the package dpkg says
# owns it.
#
#   scripts/notices.sh --list BUILD RECORD...
#       one line per source package: NAME<TAB>COPYRIGHT-FILE<TAB>FILES
#   scripts/notices.sh BUILD RECORD...
#       THIRD-PARTY-NOTICES.txt for those files, on standard output
# BUILD is the ninja build folder the records' relative paths start from.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
fail() { echo "notices.sh: $*" >&2; exit 1; }
mode=notices
if [ "${1:-}" = --list ]; then mode=list; shift; fi
[ $# -ge 2 ] || { echo "usage: scripts/notices.sh [--list] BUILD RECORD..." >&2; exit 2; }
build=$(cd "$1" && pwd) || fail "no build folder $1"
shift
records=()
for record in "$@"; do
  [ -s "$record" ] || fail "the link record $record is missing or empty (build the shipped file first)"
  records+=("$(cd "$(dirname "$record")" && pwd)/$(basename "$record")")
done
cd "$build"
work=$(mktemp -d "${TMPDIR:-/tmp}/notices.XXXXXX")
trap 'rm -rf "$work"' EXIT

# Every input the links took code from, as files: archive members become
# their archive, and from a GNU map only the archives a member was taken from.
for record in "${records[@]}"; do
  if grep -q '^Archive member included to satisfy reference by file' "$record"; then
    awk '/^Archive member included/ { members = 1; next }
         /^(Discarded input sections|Memory Configuration|Linker script and memory map)/ { members = 0 }
         members && /^[^ \t].*\.a\(/ { sub(/\(.*$/, ""); print }
         /^LOAD / { path = substr($0, 6); if (path !~ /\.a$/) print path }' "$record"
  else
    awk '/^[^ \t]/ && /\.(a|o|obj)(\(.*\))?$/ { sub(/\(.*\)$/, ""); print }' "$record"
  fi
done | sort -u >"$work/inputs"
[ -s "$work/inputs" ] || fail "the link records name no input: ${records[*]}"

# What the objects built here were made from: ninja's inputs of each
# archive, then each object's source and headers.
: >"$work/objects"
: >"$work/files"
while IFS= read -r input; do
  case "$input" in
    /*) [[ $input == "$build"/* ]] || { echo "$input" >>"$work/files"; continue; }
        input=${input#"$build"/} ;;
  esac
  case "$input" in
    *.a) ninja -t query "$input" | awk '/^  input:/ { on = 1; next } /^  outputs:/ { on = 0 } on && /^    / { print $1 }' \
           | grep -E '\.(o|obj)$' >>"$work/objects" || fail "ninja knows no objects of $input in $build" ;;
    *.o|*.obj) echo "$input" >>"$work/objects" ;;
    *) ;;
  esac
done <"$work/inputs"
if [ -s "$work/objects" ]; then
  sort -u "$work/objects" | xargs ninja -t deps | awk '/^    / { print $1 }' >>"$work/files"
fi

# Each file's owner. Paths as the files really are (no "..", no links).
sort -u "$work/files" | while IFS= read -r file; do
  realpath -m "$file"
done | sort -u >"$work/real"
emscripten_cache=""
if command -v em-config >/dev/null; then
  emscripten_cache=$(em-config CACHE 2>/dev/null || true)
fi
: >"$work/owned"
: >"$work/system"
while IFS= read -r file; do
  if [[ $file == "$root/build/deps/"* ]]; then
    folder=${file#"$root/build/deps/"}
    folder=${folder%%/*}
    printf '%s\t%s\t%s\n' "${folder%%-[0-9]*}" "$root/build/deps/$folder/debian/copyright" "$file" >>"$work/owned"
  elif [[ $file == "$root/"* ]]; then
    continue  # this project's own, or made by its build
  elif [ -n "$emscripten_cache" ] && [[ $file == "$emscripten_cache/"* ]]; then
    printf '%s\t%s\t%s\n' emscripten /usr/share/doc/emscripten/copyright "$file" >>"$work/owned"
  else
    echo "$file" >>"$work/system"
  fi
done <"$work/real"
if [ -s "$work/system" ]; then
  # dpkg-query -S answers "PACKAGE[, PACKAGE]: PATH" for each path it knows.
  xargs -d '\n' dpkg-query -S <"$work/system" 2>"$work/unowned" | sed -n '/^diversion /d; s/^\([^:,]*\)[^:]*: \(.*\)$/\1\t\2/p' \
    >"$work/packages" || true
  while IFS=$'\t' read -r package file; do
    package=${package%%:*}
    source=$(dpkg-query -W -f='${source:Package}' "$package")
    printf '%s\t%s\t%s\n' "$source" "/usr/share/doc/$package/copyright" "$file" >>"$work/owned"
  done <"$work/packages"
  missing=$(comm -23 "$work/system" <(cut -f2 "$work/packages" | sort -u))
  [ -z "$missing" ] || fail "no Debian package owns $(head -n 1 <<<"$missing") (and $(($(wc -l <<<"$missing") - 1)) more)"
fi

# One line per source package: its copyright file and the library files
# (or, for header-only ones, the headers) it gave.
sort -t $'\t' -k1,1 -k3,3 "$work/owned" | awk -F '\t' '
  function flush() {
    if (name == "") return
    if (libraries != "") what = libraries
    else if (count <= 4) what = headers
    else what = count " files under " prefix
    print name "\t" copyright "\t" what
  }
  $1 != name { flush(); name = $1; copyright = $2; libraries = headers = seen = prefix = ""; count = 0 }
  { n = split($3, parts, "/"); base = parts[n]
    if ($3 ~ /\.(a|o|obj)$/) {
      if (index(" " seen " ", " " base " ") == 0) { libraries = libraries (libraries == "" ? "" : " ") base; seen = seen " " base }
      next
    }
    count++
    headers = headers (headers == "" ? "" : " ") base
    folder = $3; sub(/\/[^\/]*$/, "", folder)
    if (prefix == "") prefix = folder
    while (index(folder "/", prefix "/") != 1) sub(/\/[^\/]*$/, "", prefix) }
  END { flush() }' | awk -F '\t' -v OFS='\t' -v root="$root/" '{ gsub(root, "", $3); print }' >"$work/list"

if [ "$mode" = list ]; then
  cat "$work/list"
  exit 0
fi
cat <<'EOF'
THIRD-PARTY NOTICES

QV Perfcopy's own code is under LICENSE.txt. What ships also carries code
from the projects below, built from Debian's packages. Each section names a
Debian source package and the files of it that went in (libraries and, for
header-only libraries, headers), followed by that package's copyright file
as Debian ships it, with the licence texts.
EOF
while IFS=$'\t' read -r name copyright files; do
  [ -r "$copyright" ] || fail "no copyright file $copyright for $name"
  printf '\n%s\n%s\n' "========================================================================" "$name"
  fold -s -w 72 <<<"from: $files" | sed '2,$s/^/  /'
  printf '%s\n\n' "========================================================================"
  cat "$copyright"
done <"$work/list"

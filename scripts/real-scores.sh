#!/usr/bin/env bash
# The copy on real scores that no one here wrote: MuseScore 3's demo scores
# from Debian's musescore3 package, converted to MusicXML at run time.
# For each demo:
#   1. mscore3 converts it to MusicXML;
#   2. qvperfcopy-pattern gives the first staff's notes a fixed pattern of
#      attack, release and dynamics (see cli/PlaybackPattern.h);
#   3. qvperfcopy-sync copies them to every other staff at 100%;
#   4. mscore3 reads the result back, renders it to PNG and writes it as
#      MusicXML again; that must hold as many notes as its first conversion;
#   5. a copy at 0 % keeps the converted file's bytes, the copy changes only
#      the notes' attack, release and dynamics and is well-formed, and a
#      second copy changes nothing;
#   6. mscore3 renders the result, without its repeats, to MIDI, and every
#      destination note whose dynamics the copy changed must play at the
#      velocity of its source note (scripts/velocities-heard.py, with
#      python3-mido): "velocities heard" is matched/changed.
# Prints one line per score and fails if any step fails. Nothing it makes is
# kept in the tree: everything goes to build/real-scores.
#   scripts/real-scores.sh
set -uo pipefail
cd "$(dirname "$0")/.." || exit 1
[ -n "${QV_SKIP_SETUP:-}" ] || scripts/setup.sh || exit 1
# scripts/apt-get.sh says in one line what failed.
if ! command -v mscore3 >/dev/null; then
  scripts/apt-get.sh update -qq && scripts/apt-get.sh install -y -qq --no-install-recommends musescore3 >/dev/null || exit 1
fi
if ! /usr/bin/python3 -c 'import mido' 2>/dev/null; then
  scripts/apt-get.sh install -y -qq --no-install-recommends python3-mido >/dev/null || exit 1
fi
if ! cmake --preset release >/dev/null ||
   ! cmake --build --preset release --target qvperfcopy-sync qvperfcopy-pattern >/dev/null; then
  echo "real-scores: the build failed"
  exit 1
fi
tools=build/release/cli
work=build/real-scores
rm -rf "$work"
mkdir -p "$work"
export QT_QPA_PLATFORM=offscreen
# MuseScore's Qt keeps a runtime folder and a lock file in the temporary
# folder, which outlive it: it gets a temporary folder of its own.
mscore_tmp=$(mktemp -d)
trap 'rm -rf "$mscore_tmp"' EXIT
mscore() { TMPDIR=$mscore_tmp XDG_RUNTIME_DIR=$mscore_tmp timeout 120 mscore3 "$@" >>"$work/mscore3.log" 2>&1; }
notes() { grep -c '<note[ >]' "$1"; }
# A MusicXML file without the notes' attack, release and dynamics.
without_playback() { sed -E ':again; s/(<note[^>]*) (attack|release|dynamics)="[^"]*"/\1/; t again' "$1"; }
# What a copy may do to a file, or the first way it did more: a copy at 0 %
# keeps the bytes, one at 100 % changes only the notes' playback attributes
# and writes well-formed XML, and a second one changes nothing.
invariants() {  # converted, patterned, synced
  local base=${1%.musicxml}
  "$tools/qvperfcopy-sync" "$1" --source 1 --velocity 0 --start-time 0 --end-time 0 \
    --output "$base-none.musicxml" >/dev/null 2>&1 || { echo "the copy at 0 % failed"; return; }
  cmp -s "$1" "$base-none.musicxml" || { echo "a copy at 0 % changed the file"; return; }
  cmp -s <(without_playback "$2") <(without_playback "$3") ||
    { echo "the copy changed more than the notes' playback attributes"; return; }
  /usr/bin/python3 -c 'import sys, xml.dom.minidom; xml.dom.minidom.parse(sys.argv[1])' "$3" 2>/dev/null ||
    { echo "the copy is not well-formed XML"; return; }
  "$tools/qvperfcopy-sync" "$3" --source 1 --velocity 100 --start-time 100 --end-time 100 \
    --output "$base-again.musicxml" >/dev/null 2>&1 || { echo "the second copy failed"; return; }
  cmp -s "$3" "$base-again.musicxml" || echo "a second copy at 100 % changed the file"
}

demos=$(dpkg -L musescore3-common 2>/dev/null | grep -E '/demos/[^/]+\.msc[xz]$' | sort)
[ -n "$demos" ] || { echo "real-scores: no demo scores found in musescore3-common"; exit 1; }
passed=0
failed=0
printf '%-18s %6s %8s %6s %8s %7s %7s %10s  %s\n' score staves measures notes matched changed "sync s" \
  "velocities" result
printf '%-18s %6s %8s %6s %8s %7s %7s %10s\n' "" "" "" "" "" "" "" "heard"
for demo in $demos; do
  name=$(basename "${demo%.*}")
  base=$work/$name
  result=""
  heard="-"
  if ! mscore -o "$base.musicxml" "$demo" || [ ! -s "$base.musicxml" ]; then
    result="mscore3 could not convert it"
  elif ! "$tools/qvperfcopy-pattern" "$base.musicxml" "$base-pattern.musicxml" >"$base.pattern.log" 2>&1; then
    result="pattern: $(tail -n 1 "$base.pattern.log")"
  else
    "$tools/qvperfcopy-sync" "$base-pattern.musicxml" --source 1 --velocity 100 --start-time 100 --end-time 100 \
      --output "$base-synced.musicxml" >"$base.sync.log" 2>"$base.sync.err"
    status=$?
    synced=$base-synced.musicxml
    check=1
    if [ "$status" -ne 0 ] && grep -q 'Source Identical to Destination' "$base.sync.err"; then
      # One staff: nothing to copy to. The pattern file is checked instead.
      synced=$base-pattern.musicxml
      result="one staff, nothing to copy to; "
    elif [ "$status" -ne 0 ]; then
      result="sync failed: $(tail -n 1 "$base.sync.err")"
      check=0
    fi
    if [ "$check" -eq 1 ]; then
      if mscore -o "$base-synced.png" "$synced" && compgen -G "$base-synced*.png" >/dev/null &&
        mscore -o "$base-back.musicxml" "$synced" &&
        [ "$(notes "$base-back.musicxml")" -eq "$(notes "$base.musicxml")" ]; then
        result="${result}ok, read back by mscore3"
      else
        result="${result}mscore3 did not read the result back whole"
      fi
      if [ "$synced" = "$base-synced.musicxml" ]; then
        broken=$(invariants "$base.musicxml" "$base-pattern.musicxml" "$synced")
        [ -z "$broken" ] || result="$result; NOT kept: $broken"
        if scripts/velocities-heard.py --playable "$synced" "$base-play.musicxml" &&
          mscore -o "$base-play.mid" "$base-play.musicxml" && [ -s "$base-play.mid" ]; then
          read -r heardMatched heardChanged < <(scripts/velocities-heard.py "$base-pattern.musicxml" "$synced" \
            "$base-play.mid" 2>"$base.heard.err")
          heard="${heardMatched:-?}/${heardChanged:-?}"
          if [ -z "${heardChanged:-}" ] || [ "$heardChanged" -eq 0 ] || [ "$heardMatched" != "$heardChanged" ]; then
            result="$result; NOT the source's velocities in MuseScore's MIDI"
          fi
        else
          heard="?"
          result="$result; mscore3 gave no MIDI"
        fi
      fi
    fi
  fi
  summary=$(grep -E '^Summary:' "$base.sync.log" 2>/dev/null)
  read -r staves measures count matched changed seconds < <(echo "$summary" |
    sed -E 's/Summary: ([0-9]+) staves, ([0-9]+) measures, ([0-9]+) notes; ([0-9]+) entries matched, ([0-9]+) values changed; ([0-9.]+) s/\1 \2 \3 \4 \5 \6/')
  printf '%-18s %6s %8s %6s %8s %7s %7s %10s  %s\n' "$name" "${staves:--}" "${measures:--}" "${count:--}" \
    "${matched:--}" "${changed:--}" "${seconds:--}" "$heard" "$result"
  left=$(grep -E '^Left out' "$base.sync.log" 2>/dev/null)
  [ -n "$left" ] && echo "                   $left"
  if [[ "$result" == *"ok, read back"* && "$result" != *"NOT"* && "$result" != *"no MIDI"* ]]; then passed=$((passed + 1)); else failed=$((failed + 1)); fi
done
echo "real-scores: $passed passed, $failed failed"
[ "$failed" -eq 0 ]

#!/usr/bin/python3
# What MuseScore plays of a sync: compares a MusicXML score before the sync
# (BEFORE) with the synced one (AFTER) and MuseScore's MIDI rendering of
# AFTER without its repeats and jumps (MIDI; see --playable). A note the copy
# changed is one whose dynamics differ; it is heard right when the MIDI plays
# it, on its staff's track, at its place and pitch, with the velocity
# MuseScore makes of its new dynamics (dynamics x 0.9, rounded, at most 127),
# and when its new velocity is a source staff note's at the same place, or
# the average of a source chord's there (the copy at 100%: a chord copied
# onto a single note gives it the chord's average). Tied-on notes and grace notes are not heard on their own
# and are not counted. Prints "MATCHED CHANGED" and exits 1 when they differ.
#   scripts/velocities-heard.py BEFORE.musicxml AFTER.musicxml MIDI.mid
#   scripts/velocities-heard.py --playable IN.musicxml OUT.musicxml
import sys
import xml.etree.ElementTree as ET
from fractions import Fraction

import mido

STEPS = {"C": 0, "D": 2, "E": 4, "F": 5, "G": 7, "A": 9, "B": 11}
TICKS = 480  # MuseScore's MIDI ticks per quarter
GRACE_SHIFT = TICKS // 2  # how late grace notes before it may make a note


def read_notes(path):
    """Every note in file order: part, staff, measure, onset and more."""
    root = ET.parse(path).getroot()
    notes = []
    lengths = {}  # measure index -> longest reach over the parts, in quarters
    staff_base = 0
    chords = 0  # numbers the chords (and single notes) in file order
    for part_index, part in enumerate(root.findall("part")):
        divisions = Fraction(1)
        transpose = 0
        staves = 1
        for index, measure in enumerate(part.findall("measure")):
            cursor = Fraction(0)
            reach = Fraction(0)
            last_onset = Fraction(0)
            for child in measure:
                if child.tag == "attributes":
                    if child.find("divisions") is not None:
                        divisions = Fraction(child.find("divisions").text.strip())
                    if child.find("staves") is not None:
                        staves = max(staves, int(child.find("staves").text))
                    chromatic = child.find("transpose/chromatic")
                    if chromatic is not None:
                        octave = child.find("transpose/octave-change")
                        transpose = int(chromatic.text) + 12 * (int(octave.text) if octave is not None else 0)
                elif child.tag in ("backup", "forward"):
                    step = Fraction(child.find("duration").text.strip()) / divisions
                    cursor = max(Fraction(0), cursor - step if child.tag == "backup" else cursor + step)
                elif child.tag == "note":
                    grace = child.find("grace") is not None
                    chord = child.find("chord") is not None
                    if not chord:
                        chords += 1
                    onset = last_onset if chord else cursor
                    if not chord:
                        last_onset = cursor
                        if not grace and child.find("duration") is not None:
                            cursor += Fraction(child.find("duration").text.strip()) / divisions
                    pitch = None
                    if child.find("pitch") is not None:
                        p = child.find("pitch")
                        alter = p.find("alter")
                        pitch = (12 * (int(p.find("octave").text) + 1) + STEPS[p.find("step").text.strip()] +
                                 round(float(alter.text) if alter is not None else 0) + transpose)
                    staff = child.find("staff")
                    notes.append({
                        "part": part_index,
                        "track": staff_base + (int(staff.text) if staff is not None else 1),
                        "measure": index,
                        "onset": onset,
                        "pitch": pitch,
                        "dynamics": child.get("dynamics"),
                        "grace": grace or child.find("cue") is not None,
                        "tied": any(t.get("type") == "stop" for t in child.findall("tie")),
                        "rest": child.find("rest") is not None,
                        "chord": chords,
                    })
                reach = max(reach, cursor)
            lengths[index] = max(lengths.get(index, Fraction(0)), reach)
        staff_base += staves
    starts = {}
    total = Fraction(0)
    for index in sorted(lengths):
        starts[index] = total
        total += lengths[index]
    return notes, starts, staff_base


def heard_velocity(dynamics):
    return min(127, int(Fraction(dynamics) * Fraction(9, 10) + Fraction(1, 2)))


def velocity_change(dynamics):
    """The host's velocity change of a dynamics value (none: forte, 0)."""
    scaled = Fraction(dynamics or "100") * Fraction(9, 10) - 90
    whole = int(abs(scaled) + Fraction(1, 2))
    return whole if scaled >= 0 else -whole


def truncated_average(values):
    total = sum(values)
    quotient = abs(total) // len(values)
    return quotient if total >= 0 else -quotient


def main(before_path, after_path, midi_path):
    before, _, _ = read_notes(before_path)
    after, starts, staves = read_notes(after_path)
    if len(before) != len(after):
        print("0 0 (the files hold different notes)")
        return 1
    midi = mido.MidiFile(midi_path)
    played = {}  # (track, pitch) -> [(tick, velocity)]
    by_track = len(midi.tracks) == staves + 1  # a conductor track, then one per staff
    for track_index, track in enumerate(midi.tracks):
        tick = 0
        for message in track:
            tick += message.time
            if message.type == "note_on" and message.velocity > 0:
                key = (track_index if by_track else 0, message.note)
                played.setdefault(key, []).append((tick * TICKS // midi.ticks_per_beat, message.velocity))
    source = {}  # (measure, onset) -> the velocity changes a destination there may take
    chords = {}  # chord number -> (measure, onset, changes)
    for note in after:
        if note["track"] == 1 and not note["rest"] and not note["grace"]:
            change = velocity_change(note["dynamics"])
            source.setdefault((note["measure"], note["onset"]), set()).add(change)
            chords.setdefault(note["chord"], (note["measure"], note["onset"], []))[2].append(change)
    for measure, onset, changes in chords.values():
        source[(measure, onset)].add(truncated_average(changes))
    matched = 0
    changed = 0
    for old, new in zip(before, after):
        if old["dynamics"] == new["dynamics"] or new["grace"] or new["tied"] or new["rest"] or new["pitch"] is None:
            continue
        changed += 1
        expected = heard_velocity(new["dynamics"])
        from_source = velocity_change(new["dynamics"]) in source.get((new["measure"], new["onset"]), set())
        tick = int((starts[new["measure"]] + new["onset"]) * TICKS)
        key = (new["track"] if by_track else 0, new["pitch"])
        heard = any(tick - 2 <= t <= tick + GRACE_SHIFT and v == expected for t, v in played.get(key, []))
        if heard and from_source:
            matched += 1
    print(matched, changed)
    return 0 if matched == changed else 1


def playable(in_path, out_path):
    """The score without barlines (repeats, endings), directions (MuseScore
    makes jumps of words such as "D.S. al Coda") and sounds, so that
    MuseScore plays each measure once, in order. The changed notes' own
    dynamics still set their velocities."""
    tree = ET.parse(in_path)
    for parent in tree.getroot().iter():
        for child in list(parent):
            if child.tag in ("barline", "direction", "sound"):
                parent.remove(child)
    tree.write(out_path, encoding="UTF-8", xml_declaration=True)
    return 0


if __name__ == "__main__":
    if len(sys.argv) == 4 and sys.argv[1] == "--playable":
        sys.exit(playable(sys.argv[2], sys.argv[3]))
    if len(sys.argv) != 4:
        print(__doc__ or "usage: velocities-heard.py BEFORE AFTER MIDI", file=sys.stderr)
        sys.exit(2)
    sys.exit(main(*sys.argv[1:]))

#!/usr/bin/python3
"""The selection's MIDI files, read back with Debian's python3-mido, against
the notes worked out here from the MusicXML files themselves: every note's
track, onset, length, key and velocity, before the copy (from the file read)
and after it (from the file written), ties joined, for a two-part score,
chords, ties, tuplets and a tempo change. Every note-on must have its
note-off.

  tests/scripts/midi-notes.py FIXTURES-FOLDER [EMULATOR] QVPERFCOPY-SYNC

Prints one line per check and "midi: N passed, N failed"."""
import math
import os
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ElementTree

import mido

TICKS = 1024
SHORTEST = 16
STEPS = {'C': 0, 'D': 2, 'E': 4, 'F': 5, 'G': 7, 'A': 9, 'B': 11}


def rounded(value):
    """To the nearest whole number, halves away from zero."""
    return int(math.copysign(math.floor(abs(value) + 0.5), value))


def walk(part):
    """Each measure's index and elements of a part, each element with the
    divisions in force, the time from the measure's start at it (quarters)
    and the onset of the last note that was not a chord note."""
    divisions = 1
    for index, measure in enumerate(part.findall('measure')):
        cursor = onset = 0
        for child in measure:
            if child.tag == 'attributes' and child.find('divisions') is not None:
                divisions = float(child.findtext('divisions'))
            yield index, child, divisions, cursor, onset
            if child.tag in ('backup', 'forward'):
                step = float(child.findtext('duration')) / divisions
                cursor += -step if child.tag == 'backup' else step
            elif child.tag == 'note' and child.find('chord') is None and child.find('grace') is None:
                onset = cursor
                cursor += float(child.findtext('duration')) / divisions
        yield index, None, divisions, cursor, onset


def expected_notes(path):
    """Each staff's notes as they sound (onset, end, key, velocity), each
    tempo (tick, quarters a minute), from the file's own elements."""
    root = ElementTree.parse(path).getroot()
    names = {p.get('id'): p.findtext('part-name').strip() for p in root.iter('score-part')}
    parts = root.findall('part')
    # The longest reach of each measure over the parts.
    lengths = {}
    for part in parts:
        for index, _, _, cursor, _ in walk(part):
            lengths[index] = max(lengths.get(index, 0), rounded(cursor * TICKS))
    starts = [sum(lengths[i] for i in range(k)) for k in range(len(lengths))]
    tracks = []
    tempos = {}
    for part in parts:
        notes = []
        for index, child, divisions, cursor, onset in walk(part):
            if child is None:
                continue
            sound = child if child.tag == 'sound' else child.find('sound') if child.tag == 'direction' else None
            if sound is not None and sound.get('tempo'):
                tempos.setdefault(starts[index] + rounded(cursor * TICKS), float(sound.get('tempo')))
            if child.tag != 'note' or child.find('grace') is not None or child.find('rest') is not None:
                continue
            if child.find('chord') is None:
                onset = cursor
            duration = float(child.findtext('duration')) / divisions
            pitch = child.find('pitch')
            key = 60 if pitch is None else (12 * (int(pitch.findtext('octave')) + 1) + STEPS[pitch.findtext('step')] +
                                            rounded(float(pitch.findtext('alter') or 0)))
            at = starts[index] + rounded(onset * TICKS)
            attack = rounded(float(child.get('attack', 0)) / divisions * TICKS)
            release = rounded(float(child.get('release', 0)) / divisions * TICKS)
            velocity = 90 + rounded(float(child.get('dynamics', 100)) * 0.9 - 90)
            start = max(0, at + attack)
            end = max(start + SHORTEST, at + rounded(duration * TICKS) + release)
            ties = [t.get('type') for t in child.findall('tie')]
            notes.append([start, end, key, min(127, max(1, velocity)), 'start' in ties, 'stop' in ties])
        # A tied note sounds once, from its first note to its last.
        joined = []
        for note in notes:
            tied = [n for n in joined if n[2] == note[2] and n[4]]
            if note[5] and tied:
                tied[-1][1] = max(tied[-1][1], note[1])
                tied[-1][4] = note[4]
                continue
            joined.append(note)
        tracks.append((names[part.get('id')], sorted((n[0], n[1], n[2], n[3]) for n in joined)))
    return tracks, sorted(tempos.items())


def midi_notes(path):
    """The tracks' names and notes, the tempos, and the note-ons left open;
    mido refuses a file that is not MIDI (a data byte past 127)."""
    midi = mido.MidiFile(path)
    tracks = []
    tempos = []
    unmatched = 0
    for track in midi.tracks:
        tick = 0
        name = None
        sounding = {}
        notes = []
        for message in track:
            tick += message.time
            if message.type == 'track_name':
                name = message.name
            elif message.type == 'set_tempo':
                tempos.append((tick, round(mido.tempo2bpm(message.tempo), 3)))
            elif message.type == 'note_on' and message.velocity > 0:
                if message.note in sounding:
                    unmatched += 1
                sounding[message.note] = (tick, message.velocity)
            elif message.type in ('note_off', 'note_on'):
                if message.note not in sounding:
                    unmatched += 1
                    continue
                start, velocity = sounding.pop(message.note)
                notes.append((start, tick, message.note, velocity))
        unmatched += len(sounding)
        if name is not None:
            tracks.append((name, sorted(notes)))
    return midi, tracks, tempos, unmatched


def main():
    if len(sys.argv) < 3:
        print('midi-notes.py: usage: midi-notes.py FIXTURES-FOLDER [EMULATOR] QVPERFCOPY-SYNC', file=sys.stderr)
        return 2
    fixtures, tool = sys.argv[1], sys.argv[2:]
    passed = failed = 0
    with tempfile.TemporaryDirectory() as work:
        for name in ('whole_copy.musicxml', 'chord_parts.musicxml', 'ties_tuplets_tempo.musicxml'):
            source = os.path.join(fixtures, name)
            output = os.path.join(work, 'copied.musicxml')
            after = os.path.join(work, 'after.mid')
            before = os.path.join(work, 'before.mid')
            run = subprocess.run([*tool, source, '--source', '1', '--velocity', '100', '--start-time', '100',
                                  '--end-time', '100', '--output', output, '--midi', after, '--midi-before', before],
                                 capture_output=True, text=True, check=False)
            if run.returncode != 0:
                print(f'FAILED: {name}: qvperfcopy-sync: {run.stderr.strip()}')
                failed += 1
                continue
            for state, midi_path, score in (('before', before, source), ('after', after, output)):
                try:
                    midi, tracks, tempos, unmatched = midi_notes(midi_path)
                except (OSError, ValueError, EOFError) as error:
                    print(f'FAILED: {name}, {state} the copy: mido cannot read the file: {error}')
                    failed += 1
                    continue
                expected, expected_tempos = expected_notes(score)
                if not any(t == 0 for t, _ in expected_tempos):
                    expected_tempos.insert(0, (0, 120.0))
                problems = []
                if midi.type != 1 or midi.ticks_per_beat != TICKS:
                    problems.append(f'format {midi.type} at {midi.ticks_per_beat} ticks')
                if unmatched:
                    problems.append(f'{unmatched} note-ons or note-offs without their pair')
                if [(t, round(b, 3)) for t, b in expected_tempos] != tempos:
                    problems.append(f'tempos {tempos}, expected {expected_tempos}')
                if [n for n, _ in tracks] != [n for n, _ in expected]:
                    problems.append(f'tracks {[n for n, _ in tracks]}, expected {[n for n, _ in expected]}')
                for (track, notes), (_, want) in zip(tracks, expected):
                    if notes != want:
                        problems.append(f'{track}: {notes} != expected {want}')
                if sum(len(notes) for _, notes in tracks) == 0:
                    problems.append('no notes')
                ok = not problems
                passed += ok
                failed += not ok
                print(f"{'ok' if ok else 'FAILED'}: {name}, {state} the copy" + ('' if ok else ': ' + '; '.join(problems)))
    print(f'midi: {passed} passed, {failed} failed')
    return 0 if failed == 0 and passed > 0 else 1


if __name__ == '__main__':
    sys.exit(main())

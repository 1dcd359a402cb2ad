// The page's player: the selection's notes, the MIDI file's own events from
// the module, played by a small synthesised piano-like tone in Web Audio.
// The velocity sets the loudness and each note's sounding span its timing.
// A long selection is scheduled a little ahead while it plays; the tests
// render through the same code into an OfflineAudioContext.
'use strict';

const QvPlayer = (function () {
  const TICKS = 1024;     // a quarter
  const LEAD = 0.08;      // seconds from Play to the selection's start
  const AHEAD = 1.5;      // seconds of notes scheduled ahead of the clock
  const ATTACK = 0.004;
  const RELEASE = 0.03;   // a note's fade after its end
  const FADE = 0.02;      // Stop's fade

  // The seconds from the selection's start to a tick, through the tempos
  // ([tick, quarters a minute], the first at 0).
  function clock(tempos) {
    const marks = tempos && tempos.length ? tempos : [[0, 120]];
    return function (tick) {
      let seconds = 0;
      for (let i = 0; i < marks.length && tick > marks[i][0]; ++i) {
        const to = i + 1 < marks.length ? Math.min(tick, marks[i + 1][0]) : tick;
        seconds += (to - marks[i][0]) / TICKS * 60 / marks[i][1];
      }
      return seconds;
    };
  }

  function tone(context) {
    // A fundamental and falling overtones, as a struck string has.
    const real = new Float32Array([0, 0, 0, 0, 0, 0]);
    const imaginary = new Float32Array([0, 1, 0.45, 0.22, 0.1, 0.05]);
    return context.createPeriodicWave(real, imaginary);
  }

  // One note ([lane, start, end, key, velocity]) into output, the
  // selection's start at the context's time `at`.
  function strike(context, output, wave, note, at, seconds) {
    const begin = at + seconds(note[1]);
    const end = Math.max(begin + ATTACK, at + seconds(note[2]));
    const peak = 0.2 * Math.pow(note[4] / 127, 2);
    const envelope = context.createGain();
    envelope.gain.setValueAtTime(0, begin);
    envelope.gain.linearRampToValueAtTime(peak, begin + ATTACK);
    envelope.gain.setTargetAtTime(peak * 0.35, begin + ATTACK, 0.5);
    envelope.gain.cancelAndHoldAtTime(end);
    envelope.gain.linearRampToValueAtTime(0, end + RELEASE);
    const oscillator = context.createOscillator();
    oscillator.setPeriodicWave(wave);
    oscillator.frequency.value = 440 * Math.pow(2, (note[3] - 69) / 12);
    oscillator.connect(envelope).connect(output);
    oscillator.start(begin);
    oscillator.stop(end + RELEASE + 0.01);
  }

  // Fades the output out from the context's time on.
  function silence(context, output) {
    const now = context.currentTime;
    output.gain.cancelScheduledValues(now);
    output.gain.setValueAtTime(output.gain.value, now);
    output.gain.linearRampToValueAtTime(0, now + FADE);
  }

  function chosen(sound, lanes) {
    const notes = sound.notes.filter((note) => !lanes || lanes.includes(note[0]));
    return notes.sort((a, b) => a[1] - b[1]);
  }

  let open = 0;  // audio contexts playing or not yet closed

  // Plays the sound now; answers a handle whose stop() silences it. done()
  // is called once it has played or been stopped, and the context is
  // closed a moment later.
  function play(sound, done) {
    const context = new AudioContext();
    open += 1;
    const output = context.createGain();
    output.connect(context.destination);
    const wave = tone(context);
    const seconds = clock(sound.tempos);
    const notes = chosen(sound);
    const at = context.currentTime + LEAD;
    const last = notes.reduce((most, note) => Math.max(most, seconds(note[2])), 0);
    let next = 0;
    let finished = false;
    const finish = function () {
      if (finished) return;
      finished = true;
      clearInterval(timer);
      setTimeout(function () {
        context.close().finally(function () { open -= 1; });
      }, (FADE + 0.05) * 1000);
      done();
    };
    const schedule = function () {
      while (next < notes.length && at + seconds(notes[next][1]) < context.currentTime + AHEAD) {
        strike(context, output, wave, notes[next], at, seconds);
        ++next;
      }
      if (next >= notes.length && context.currentTime > at + last + RELEASE) finish();
    };
    const timer = setInterval(schedule, 200);
    schedule();
    return {
      stop: function () {
        silence(context, output);
        finish();
      },
    };
  }

  // The sound rendered offline, at the rate given: the lanes chosen (all
  // when none), and Stop pressed at stopAt seconds if given.
  function render(sound, options) {
    const choice = options || {};
    const seconds = clock(sound.tempos);
    const notes = chosen(sound, choice.lanes);
    const length = notes.reduce((most, note) => Math.max(most, seconds(note[2])), 0) + LEAD + RELEASE + 0.2;
    const rate = choice.rate || 44100;
    const context = new OfflineAudioContext(1, Math.ceil(length * rate), rate);
    const output = context.createGain();
    output.connect(context.destination);
    const wave = tone(context);
    for (const note of notes) strike(context, output, wave, note, LEAD, seconds);
    if (choice.stopAt !== undefined) {
      context.suspend(choice.stopAt).then(function () {
        silence(context, output);
        context.resume();
      });
    }
    return context.startRendering();
  }

  return { play: play, render: render, clock: clock, lead: LEAD, contexts: function () { return open; } };
}());

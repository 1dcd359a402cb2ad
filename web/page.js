// The page: takes a file, shows what the module reads of it, sends the
// choices to the worker as qvperfcopy-sync's arguments and offers the result.
// The copy itself, its checks and its texts are the module's.
'use strict';

(function () {
  const $ = function (id) { return document.getElementById(id); };
  const fields = [
    { check: $('use-velocity'), edit: $('velocity'), option: '--velocity' },
    { check: $('use-start'), edit: $('start'), option: '--start-time' },
    { check: $('use-end'), edit: $('end'), option: '--end-time' },
  ];
  let worker = null;
  let file = null;
  let score = null;
  let downloadUrl = '';
  let pending = null;  // a result waiting for the answers to its questions
  let midiUrl = '';
  let playing = null;  // the player's handle while it plays
  const waiting = {};  // the worker's answers to come, by kind

  function workerSource() {
    const blob = new Blob([$('worker-source').textContent], { type: 'text/javascript' });
    return URL.createObjectURL(blob);
  }

  function setText(id, text) {
    $(id).textContent = text;
  }

  // The module's picture, as elements of this page.
  function showPicture(id, svg) {
    const picture = new DOMParser().parseFromString(svg || '', 'image/svg+xml').documentElement;
    if (picture && picture.nodeName === 'svg') $(id).replaceChildren(document.importNode(picture, true));
    else $(id).replaceChildren();
  }

  function clearResult() {
    $('result').hidden = true;
    $('question').hidden = true;
    setText('figures', '');
    $('changes').tBodies[0].replaceChildren();
    $('result-picture').replaceChildren();
    setText('more', '');
    if (downloadUrl) URL.revokeObjectURL(downloadUrl);
    downloadUrl = '';
    if (midiUrl) URL.revokeObjectURL(midiUrl);
    midiUrl = '';
    $('download-midi').removeAttribute('download');
    $('download-midi').href = '#';
    stopPlaying();
    setPlayable(false, '');
    $('download').removeAttribute('download');
    $('download').href = '#';
    pending = null;
  }

  // Everything of the last file goes: its worker, its choices and results.
  function reset() {
    if (worker) worker.terminate();
    worker = null;
    score = null;
    clearResult();
    setText('error', '');
    setText('progress', '');
    setText('file-name', '');
    $('notices').replaceChildren();
    $('playing').hidden = true;
    $('opened-picture').replaceChildren();
    for (const id of ['source', 'part-first', 'part-last', 'measure-first', 'measure-last']) $(id).replaceChildren();
    for (const field of fields) {
      field.check.checked = true;
      field.edit.value = '100';
    }
    $('sync-fields').disabled = true;
  }

  function option(value, text) {
    const element = document.createElement('option');
    element.value = String(value);
    element.textContent = text;
    return element;
  }

  function fill(select, items, chosen) {
    select.replaceChildren.apply(select, items);
    select.selectedIndex = chosen;
  }

  function showOpened(result) {
    if (result.error) {
      setText('progress', '');
      setText('error', result.error);
      return;
    }
    score = result;
    const notices = result.notices.map(function (text) {
      const item = document.createElement('li');
      item.textContent = text;
      return item;
    });
    $('notices').replaceChildren.apply($('notices'), notices);
    fill($('source'), result.staves.map(function (staff) { return option(staff.number, staff.name); }), 0);
    const parts = result.parts.map(function (name, i) { return option(i + 1, (i + 1) + '. ' + name); });
    fill($('part-first'), parts, 0);
    fill($('part-last'), parts.map(function (item) { return item.cloneNode(true); }), parts.length - 1);
    const measures = result.measures.map(function (number, i) { return option(i, number); });
    fill($('measure-first'), measures, 0);
    fill($('measure-last'), measures.map(function (item) { return item.cloneNode(true); }), measures.length - 1);
    $('sync-fields').disabled = false;
    showPicture('opened-picture', result.picture);
    $('playing').hidden = false;
    setText('progress', file.name + ': ' + result.staves.length + ' staves, ' + result.parts.length + ' parts, ' +
      result.measures.length + ' measures.');
    $('source').focus();
  }

  function outputName() {
    const dot = file.name.lastIndexOf('.');
    return file.name.slice(0, dot) + '-perfcopy' + file.name.slice(dot);
  }

  // The percentage as the edit shows it: a whole number from 0 to 100.
  function percent(edit) {
    const value = Math.round(Number(edit.value));
    const clamped = Number.isFinite(value) ? Math.min(100, Math.max(0, value)) : 0;
    edit.value = String(clamped);
    return clamped;
  }

  // The chosen parts and measures as --parts and --measures take them, or
  // empty for all.
  function chosenParts() {
    const first = $('part-first').selectedIndex;
    const last = $('part-last').selectedIndex;
    return first !== 0 || last !== score.parts.length - 1 ? (first + 1) + '-' + (last + 1) : '';
  }

  function chosenMeasures() {
    const first = $('measure-first').selectedIndex;
    const last = $('measure-last').selectedIndex;
    return first !== 0 || last !== score.measures.length - 1 ? score.measures[first] + '-' + score.measures[last] : '';
  }

  // The opened score's picture for what is chosen now.
  function redrawOpened() {
    if (!score || !worker) return;
    worker.postMessage({ kind: 'picture', source: Number($('source').value), parts: chosenParts(),
      measures: chosenMeasures() });
  }

  function syncArguments() {
    const args = [file.name, '--source', $('source').value];
    for (const field of fields) {
      const value = percent(field.edit);
      if (field.check.checked) args.push(field.option, String(value));
    }
    if (chosenParts()) args.push('--parts', chosenParts());
    if (chosenMeasures()) args.push('--measures', chosenMeasures());
    args.push('--output', outputName());
    return args;
  }

  // What the worker answers to a request of this kind, once it does.
  function request(kind, message) {
    return new Promise(function (resolve) {
      waiting[kind] = resolve;
      worker.postMessage(Object.assign({ kind: kind }, message));
    });
  }

  function setPlayable(playable, why) {
    $('play-before').disabled = !playable;
    $('play-after').disabled = !playable;
    $('stop').disabled = true;
    setText('player-status', why);
  }

  function stopPlaying() {
    if (playing) playing.stop();
    playing = null;
  }

  // Plays the last copy's selection as it sounded before or sounds after.
  async function play(after) {
    stopPlaying();
    const sound = await request('sound', { after: after });
    const label = after ? 'after' : 'before';
    if (sound.result.notes.length === 0) {
      setText('player-status', 'No notes to play.');
      return;
    }
    $('stop').disabled = false;
    setText('player-status', 'Playing ' + label + ' the copy…');
    playing = QvPlayer.play(sound.result, function () {
      playing = null;
      $('stop').disabled = true;
      setText('player-status', 'Stopped.');
    });
  }

  // The tests render through the player with the page's own sound.
  QvPlayer.soundOf = function (after) {
    return request('sound', { after: after }).then(function (answer) { return answer.result; });
  };

  function showResult(message) {
    const result = message.result;
    downloadUrl = URL.createObjectURL(message.file);
    $('download').href = downloadUrl;
    $('download').download = result.output;
    $('download').textContent = 'Download ' + result.output;
    setText('figures', result.figures);
    showPicture('result-picture', result.picture);
    $('result-picture').dataset.drawSeconds = String(result.pictureSeconds);
    const rows = result.changes.map(function (change) {
      const row = document.createElement('tr');
      const cells = [change.staff, change.measure, change.beat, change.pitch, change.value, change.before, change.after,
        change.hostBefore + ' \u2192 ' + change.hostAfter];
      cells.forEach(function (text, i) {
        const cell = document.createElement('td');
        cell.textContent = text;
        if (i === cells.length - 1) cell.className = 'host';
        row.appendChild(cell);
      });
      return row;
    });
    if (rows.length === 0) {
      const row = document.createElement('tr');
      const cell = document.createElement('td');
      cell.colSpan = 8;
      cell.textContent = 'No value plays differently.';
      row.appendChild(cell);
      rows.push(row);
    }
    $('changes').tBodies[0].replaceChildren.apply($('changes').tBodies[0], rows);
    setText('more', result.more ? 'and ' + result.more + ' more changed values.' : '');
    $('result').hidden = false;
    setPlayable(result.notes > 0, result.notes > 0 ? '' : 'Nothing to play: the selection holds no notes.');
    request('midi', { after: true }).then(function (answer) {
      midiUrl = URL.createObjectURL(answer.file);
      $('download-midi').href = midiUrl;
      $('download-midi').download = outputName().replace(/\.[^.]*$/, '') + '.mid';
    });
    setText('progress', 'Done in ' + message.seconds + ' s: ' + result.figures);
    $('download').focus();
  }

  // The plug-in's questions, one after another; a No cancels the copy.
  function ask(message, index) {
    const questions = message.result.questions;
    if (index >= questions.length) {
      showResult(message);
      return;
    }
    pending = { message: message, index: index };
    setText('question-title', questions[index].title);
    setText('question-text', questions[index].text);
    $('question').hidden = false;
    $('answer-yes').focus();
  }

  function answer(yes) {
    if (!pending) return;
    const current = pending;
    pending = null;
    $('question').hidden = true;
    if (yes) {
      ask(current.message, current.index + 1);
    } else {
      setText('progress', 'Cancelled: nothing changed.');
      $('apply').focus();
    }
  }

  function showSynced(message) {
    $('apply').disabled = false;
    if (message.result.error) {
      setText('progress', '');
      setText('error', message.result.error);
      return;
    }
    ask(message, 0);
  }

  function onMessage(event) {
    const message = event.data;
    if (message.kind === 'progress') setText('progress', message.text);
    else if (message.kind === 'opened') showOpened(message.result);
    else if ((message.kind === 'sound' || message.kind === 'midi') && waiting[message.kind]) {
      const resolve = waiting[message.kind];
      delete waiting[message.kind];
      resolve(message);
    } else if (message.kind === 'picture') {
      if (message.result.picture) showPicture('opened-picture', message.result.picture);
    }
    else if (message.kind === 'synced') showSynced(message);
    else if (message.kind === 'failed') {
      const name = file ? file.name : '';
      reset();
      setText('file-name', name);
      setText('error', message.error);
    }
  }

  function openFile(chosen) {
    reset();
    file = chosen;
    setText('file-name', chosen.name);
    setText('progress', 'Starting…');
    worker = new Worker(workerSource());
    worker.onmessage = onMessage;
    worker.onerror = function (event) {
      event.preventDefault();
      onMessage({ data: { kind: 'failed', error: 'qvperfcopy-sync: ' + chosen.name + ': ' + event.message } });
    };
    worker.postMessage({ kind: 'open', file: chosen });
  }

  $('file-input').addEventListener('change', function () {
    if (this.files.length > 0) openFile(this.files[0]);
    this.value = '';
  });
  const zone = document.body;
  zone.addEventListener('dragover', function (event) {
    event.preventDefault();
    $('drop-zone').classList.add('over');
  });
  zone.addEventListener('dragleave', function () { $('drop-zone').classList.remove('over'); });
  zone.addEventListener('drop', function (event) {
    event.preventDefault();
    $('drop-zone').classList.remove('over');
    if (event.dataTransfer.files.length > 0) openFile(event.dataTransfer.files[0]);
  });
  $('sync-form').addEventListener('submit', function (event) {
    event.preventDefault();
    if (!score || !worker) return;
    clearResult();
    setText('error', '');
    $('apply').disabled = true;
    const args = syncArguments();
    worker.postMessage({ kind: 'sync', args: args });
  });
  for (const field of fields) field.edit.addEventListener('change', function () { percent(field.edit); });
  for (const id of ['source', 'part-first', 'part-last', 'measure-first', 'measure-last']) {
    $(id).addEventListener('change', redrawOpened);
  }
  $('answer-yes').addEventListener('click', function () { answer(true); });
  $('play-before').addEventListener('click', function () { play(false); });
  $('play-after').addEventListener('click', function () { play(true); });
  $('stop').addEventListener('click', function () {
    stopPlaying();
    $('play-after').focus();
  });
  $('answer-no').addEventListener('click', function () { answer(false); });
  $('question').addEventListener('keydown', function (event) {
    if (event.key === 'Escape') answer(false);
  });
}());

// The page's worker: holds the module, hands it the file's bytes, and runs
// the sync there so that the page stays responsive. One worker serves one
// opened file.
'use strict';

let modulePromise = null;
let scoreName = '';

function post(message, transfer) {
  self.postMessage(message, transfer || []);
}

function progress(text) {
  post({ kind: 'progress', text: text });
}

function call(module, name, types, args) {
  return JSON.parse(module.ccall(name, 'string', types, args));
}

function loadModule() {
  if (!modulePromise) {
    // QvPerfcopyModule comes from the module's script, placed before this one.
    modulePromise = QvPerfcopyModule({ print: function () {}, printErr: function () {} });
  }
  return modulePromise;
}

// A failure inside the module (out of memory above all) leaves it unusable:
// the page is told, and starts a new worker for the next file.
function failed(error, name) {
  const text = String(error && error.message ? error.message : error);
  const memory = /memory|abort|Aborted|OOM/i.test(text);
  post({
    kind: 'failed',
    error: 'qvperfcopy-sync: ' + (name || scoreName) + ': ' +
      (memory ? 'not enough memory in this browser for this score' : 'the page stopped: ' + text),
  });
}

async function open(file) {
  scoreName = file.name;
  const module = await loadModule();
  const size = call(module, 'qv_check_size', ['string', 'number'], [file.name, file.size]);
  if (size.error) {
    post({ kind: 'opened', result: size });
    return;
  }
  progress('Reading ' + file.name + ' (' + file.size + ' bytes)…');
  const bytes = new Uint8Array(await file.arrayBuffer());
  const buffer = module.ccall('qv_file_buffer', 'number', ['number'], [bytes.length]);
  if (!buffer) throw new Error('out of memory for the file');
  module.HEAPU8.set(bytes, buffer);
  post({ kind: 'opened', result: call(module, 'qv_open', ['string'], [file.name]) });
}

async function sync(args) {
  const module = await loadModule();
  progress('Copying in ' + scoreName + '…');
  const started = performance.now();
  const result = call(module, 'qv_sync', ['string'], [JSON.stringify(args)]);
  const seconds = ((performance.now() - started) / 1000).toFixed(2);
  if (result.error) {
    post({ kind: 'synced', result: result, seconds: seconds });
    return;
  }
  // One copy, out of the module's memory into the file the page offers.
  const data = module.ccall('qv_output_data', 'number', [], []);
  const size = module.ccall('qv_output_size', 'number', [], []);
  const file = new Blob([module.HEAPU8.subarray(data, data + size)]);
  module.ccall('qv_output_release', null, [], []);
  post({ kind: 'synced', result: result, seconds: seconds, file: file });
}

async function picture(message) {
  const module = await loadModule();
  post({ kind: 'picture', result: call(module, 'qv_picture', ['number', 'string', 'string'],
    [message.source, message.parts, message.measures]) });
}

// The last sync's notes for the player, or its MIDI file, before or after.
async function sound(message) {
  const module = await loadModule();
  const after = message.after ? 1 : 0;
  if (message.kind === 'sound') {
    post({ kind: 'sound', after: message.after, result: call(module, 'qv_sound', ['number'], [after]) });
    return;
  }
  const size = module.ccall('qv_midi', 'number', ['number'], [after]);
  const data = module.ccall('qv_midi_data', 'number', [], []);
  post({ kind: 'midi', after: message.after, file: new Blob([module.HEAPU8.subarray(data, data + size)],
    { type: 'audio/midi' }) });
}

self.onmessage = function (event) {
  const message = event.data;
  const work = message.kind === 'open' ? open(message.file)
    : message.kind === 'picture' ? picture(message)
      : message.kind === 'sound' || message.kind === 'midi' ? sound(message) : sync(message.args);
  work.catch(function (error) {
    failed(error, message.file ? message.file.name : '');
  });
};

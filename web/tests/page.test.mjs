// The page in Debian's headless chromium: files opened through the file
// button, options chosen, Apply clicked and the result downloaded, whose
// bytes must be qvperfcopy-sync's for the same options; bad files must show
// the command line's error line and offer no download; the page must ask
// for nothing but itself. A screenshot of each state goes to the folder
// given (for the docs).
//
//   node web/tests/page.test.mjs PAGE.html SYNC-TOOL SCREENSHOTS [DEMO.musicxml]
//
// Prints one line per check and "web: N passed, N failed".
import { execFileSync, spawnSync } from 'node:child_process';
import { copyFileSync, mkdirSync, mkdtempSync, readFileSync, readdirSync, rmSync, truncateSync, writeFileSync } from 'node:fs';
import { createServer } from 'node:http';
import { tmpdir } from 'node:os';
import { basename, dirname, join, resolve } from 'node:path';
import { fileURLToPath, pathToFileURL } from 'node:url';
import { launchChromium } from './chromium.mjs';

const [pagePath, syncTool, shots, demo] = process.argv.slice(2).map((p) => (p ? resolve(p) : p));
const repo = resolve(dirname(fileURLToPath(import.meta.url)), '../..');
const fixtures = join(repo, 'tests/fixtures/musicxml');
let passed = 0;
let failed = 0;

function check(name, ok, why) {
  if (ok) passed += 1;
  else failed += 1;
  console.log(`${ok ? 'ok' : 'FAILED'}: ${name}${ok ? '' : `: ${why}`}`);
}

if (!pagePath || !syncTool || !shots) {
  console.error('page.test.mjs: usage: node page.test.mjs PAGE.html SYNC-TOOL SCREENSHOTS [DEMO.musicxml]');
  process.exit(2);
}
const work = mkdtempSync(join(tmpdir(), 'qvperfcopy-web-'));
mkdirSync(shots, { recursive: true });

// qvperfcopy-sync in a folder of its own holding the file, as the page runs
// it: the file by its bare name. Answers its output bytes, the rows of its
// table of changed values and its notices, or its error line.
function runTool(file, args) {
  const folder = mkdtempSync(join(work, 'tool-'));
  copyFileSync(file, join(folder, basename(file)));
  const run = spawnSync(syncTool, [basename(file), ...args, '--picture', 'picture.svg'], { cwd: folder, encoding: 'utf8' });
  const output = args.includes('--output') ? args[args.indexOf('--output') + 1] : '';
  const lines = run.stdout.split('\n');
  // The table of changed values as they play: after two lines of key and
  // its header, one indented row per value, each run of spaces one space.
  const table = lines.findIndex((line) => line.startsWith('Changes as they play:'));
  const rows = [];
  for (let i = table + 3; table >= 0 && i < lines.length && /^  [^.]/.test(lines[i]); ++i) {
    rows.push(lines[i].trim().replace(/ +/g, ' '));
  }
  const notices = lines.filter((line) => /^(Adjusted|Left out of the copy):/.test(line));
  if (run.status !== 0) return { error: run.stderr.split('\n')[0], notices };
  return { bytes: readFileSync(join(folder, output)), rows, notices,
    notes: pictureNotes(readFileSync(join(folder, 'picture.svg'), 'utf8')) };
}

// The values of each note the picture draws one by one, as text.
function pictureNotes(svg) {
  return [...svg.matchAll(/<g class="note"([^>]*)>/g)].map((note) => note[1].trim()
    .replace(/&quot;/g, '"').replace(/&#39;/g, "'").replace(/&lt;/g, '<').replace(/&gt;/g, '>').replace(/&amp;/g, '&'));
}

// The same, from a picture in the page.
function pageNotes(page, id) {
  return page.$$eval(`#${id} g.note`, (all) => all.map((note) => [...note.attributes]
    .filter((a) => a.name !== 'class').map((a) => `${a.name}="${a.value}"`).join(' ')));
}

// The rows of the page's table, as the command line writes them.
function pageRows(page) {
  return page.$$eval('#changes tbody tr', (all) => all.filter((row) => row.cells.length === 8).map((row) => {
    const c = [...row.cells].map((cell) => cell.textContent);
    const [hostBefore, hostAfter] = c[7].split(' \u2192 ');
    return `${c[0]} ${c[1]} ${c[2]} ${c[3]} ${c[4]} ${c[5]} [${hostBefore}] ${c[6]} [${hostAfter}]`.replace(/ +/g, ' ');
  }));
}

function outputName(file) {
  const name = basename(file);
  const dot = name.lastIndexOf('.');
  return `${name.slice(0, dot)}-perfcopy${name.slice(dot)}`;
}

// A static server of the page that logs what it is asked for.
function serve(file) {
  const asked = [];
  const server = createServer((request, response) => {
    asked.push(request.url);
    if (request.url !== '/' && request.url !== '/index.html') {
      response.writeHead(404).end();
      return;
    }
    response.writeHead(200, { 'content-type': 'text/html; charset=utf-8' });
    response.end(readFileSync(file));
  });
  return new Promise((done) => server.listen(0, '127.0.0.1', () => done({ server, asked })));
}

const browser = await launchChromium(work);

const requests = [];
const violations = [];
const downloads = join(work, 'downloads');

async function newPage(url, width, height, inBrowser = browser) {
  const page = await inBrowser.newPage();
  await page.setViewport({ width, height });
  page.on('request', (request) => requests.push({ url: request.url(), page: url }));
  page.on('console', (message) => {
    if (/Content Security Policy|Refused/.test(message.text())) violations.push(message.text());
  });
  page.on('pageerror', (error) => violations.push(`page error: ${error.message}`));
  const cdp = await page.createCDPSession();
  await cdp.send('Browser.setDownloadBehavior', { behavior: 'allow', downloadPath: downloads, eventsEnabled: true });
  page.downloadEvents = cdp;
  await page.goto(url, { waitUntil: 'load' });
  return page;
}

// Waits until the page has read the file: the choices are enabled or the
// error line is shown.
async function openFile(page, file) {
  const input = await page.$('#file-input');
  await input.uploadFile(file);
  await page.waitForFunction(() => {
    const error = document.getElementById('error').textContent;
    return error !== '' || !document.getElementById('sync-fields').disabled;
  }, { timeout: 60000 });
  return page.$eval('#error', (e) => e.textContent);
}

async function choose(page, options) {
  await page.select('#source', String(options.source));
  for (const [id, value] of [['velocity', options.velocity], ['start', options.start], ['end', options.end]]) {
    const box = `#use-${id}`;
    const checked = await page.$eval(box, (e) => e.checked);
    if (checked !== (value !== undefined)) await page.click(box);
    if (value !== undefined) {
      await page.$eval(`#${id}`, (e, v) => { e.value = v; }, String(value));
    }
  }
  if (options.parts) {
    await page.select('#part-first', String(options.parts[0]));
    await page.select('#part-last', String(options.parts[1]));
  }
  if (options.measures) {
    await page.select('#measure-first', String(options.measures[0]));
    await page.select('#measure-last', String(options.measures[1]));
  }
}

// Clicks Apply, says Yes to every question, and waits for the result or
// the error line.
async function apply(page) {
  await page.click('#apply');
  for (;;) {
    const state = await page.waitForFunction(() => {
      if (!document.getElementById('question').hidden) return 'question';
      if (!document.getElementById('result').hidden) return 'result';
      if (document.getElementById('error').textContent !== '') return 'error';
      return false;
    }, { timeout: 120000 });
    const what = await state.jsonValue();
    if (what !== 'question') return what;
    await page.click('#answer-yes');
  }
}

// Clicks the download link and answers the file's bytes.
async function download(page, name) {
  const done = new Promise((finish) => {
    page.downloadEvents.on('Browser.downloadProgress', (event) => {
      if (event.state === 'completed' || event.state === 'canceled') finish(event.state);
    });
  });
  await page.click('#download');
  const state = await done;
  if (state !== 'completed') return null;
  return readFileSync(join(downloads, name));
}

function toolArguments(options, file) {
  const args = ['--source', String(options.source)];
  if (options.velocity !== undefined) args.push('--velocity', String(options.velocity));
  if (options.start !== undefined) args.push('--start-time', String(options.start));
  if (options.end !== undefined) args.push('--end-time', String(options.end));
  if (options.toolParts) args.push('--parts', options.toolParts);
  if (options.toolMeasures) args.push('--measures', options.toolMeasures);
  args.push('--output', outputName(file));
  return args;
}

// One copy through the page, compared with the tool's bytes.
async function copyCase(page, name, file, options, shot) {
  const error = await openFile(page, file);
  if (error) {
    check(name, false, `the page refused the file: ${error}`);
    return;
  }
  await choose(page, options);
  const state = await apply(page);
  if (shot) await page.screenshot({ path: join(shots, `${shot}.png`), fullPage: true });
  if (shot && state === 'result') await (await page.$('#result-picture')).screenshot({ path: join(shots, `${shot}-picture.png`) });
  if (state !== 'result') {
    check(name, false, `no result: ${await page.$eval('#error', (e) => e.textContent)}`);
    return;
  }
  const linkName = await page.$eval('#download', (e) => e.download);
  const figures = await page.$eval('#figures', (e) => e.textContent);
  const got = await download(page, outputName(file));
  const expected = runTool(file, toolArguments(options, file));
  if (expected.error) check(name, false, `qvperfcopy-sync failed: ${expected.error}`);
  else if (!/ [1-9][0-9]* values changed/.test(figures)) check(name, false, `nothing to compare: ${figures}`);
  else if (!got) check(name, false, 'the download did not complete');
  else if (linkName !== outputName(file)) check(name, false, `the download is named ${linkName}`);
  else if (Buffer.compare(got, expected.bytes) !== 0) {
    check(name, false, `the downloaded ${got.length} bytes differ from qvperfcopy-sync's ${expected.bytes.length}`);
  } else {
    const rows = await pageRows(page);
    const more = await page.$eval('#more', (e) => e.textContent);
    const shown = Math.min(300, expected.rows.length);
    const moreText = expected.rows.length > 300 ? `and ${expected.rows.length - 300} more changed values.` : '';
    const notes = await pageNotes(page, 'result-picture');
    if (rows.join('\n') !== expected.rows.slice(0, shown).join('\n') || more !== moreText) {
      check(name, false, `the changed values shown (${rows.length}, "${more}") are not the tool's ` +
        `(${expected.rows.length}): ${rows[0]} | ${expected.rows[0]}`);
    } else {
      check(name, notes.join('\n') === expected.notes.join('\n'),
        `the picture's ${notes.length} notes are not the tool's ${expected.notes.length}: ${notes[0]} | ${expected.notes[0]}`);
    }
  }
}

// The player, heard through the same code offline: the Viola's notes of
// listen.musicxml before and after the copy of the Violin's at 100 %. Its
// A3 gets louder, its C4 starts a quarter's half later (0.25 s at 120) and
// its E4 ends that much earlier; Stop silences within 50 ms. The MIDI file
// offered is the command line's.
async function listening(address) {
  const page = await newPage(address, 1024, 768);
  const file = join(fixtures, 'listen.musicxml');
  await openFile(page, file);
  await choose(page, { source: 1, velocity: 100, start: 100, end: 100 });
  if ((await apply(page)) !== 'result') {
    check('the player', false, 'no result');
    await page.close();
    return;
  }
  await page.waitForFunction(() => !document.getElementById('play-after').disabled, { timeout: 30000 });
  const heard = await page.evaluate(async () => {
    const rate = 44100;
    const analyse = async (after, stopAt) => {
      const buffer = await QvPlayer.render(await QvPlayer.soundOf(after), { lanes: [1], rate: rate, stopAt: stopAt });
      return buffer.getChannelData(0);
    };
    // For the note meant to sound from `from` to `to` seconds: its RMS, and
    // where it rises past and last stays above a tenth of its own peak.
    const note = (samples, from, to) => {
      const first = Math.floor(Math.max(0, from) * rate);
      const last = Math.min(samples.length, Math.floor(to * rate));
      let peak = 0;
      let sum = 0;
      for (let i = first; i < last; ++i) {
        peak = Math.max(peak, Math.abs(samples[i]));
        sum += samples[i] * samples[i];
      }
      let onset = -1;
      let end = -1;
      for (let i = first; i < last; ++i) {
        if (Math.abs(samples[i]) > peak / 10) {
          if (onset < 0) onset = i;
          end = i;
        }
      }
      return { rms: Math.sqrt(sum / Math.max(1, last - first)), onset: onset / rate, end: end / rate };
    };
    const lead = QvPlayer.lead;
    const before = await analyse(false);
    const after = await analyse(true);
    // Stop while the C4 sounds (from lead + 1.25 s after the copy).
    const stopAt = lead + 1.4;
    const stopped = await analyse(true, stopAt);
    let after50 = 0;
    for (let i = Math.floor((stopAt + 0.05) * rate); i < stopped.length; ++i) after50 = Math.max(after50, Math.abs(stopped[i]));
    return {
      louder: [note(before, lead, lead + 0.6).rms, note(after, lead, lead + 0.6).rms],
      later: [note(before, lead + 0.9, lead + 1.9).onset, note(after, lead + 0.9, lead + 1.9).onset],
      earlier: [note(before, lead + 1.9, lead + 3.2).end, note(after, lead + 1.9, lead + 3.2).end],
      afterStop: after50,
      beforeStop: note(stopped, lead + 1.25, stopAt).rms,
    };
  });
  check('a note whose velocity rose is louder after', heard.louder[1] > heard.louder[0] * 1.2,
    `RMS ${heard.louder.join(' -> ')}`);
  check('a note whose start moved starts 0.25 s later, within 5 ms',
    Math.abs(heard.later[1] - heard.later[0] - 0.25) < 0.005, `onsets ${heard.later.join(' -> ')}`);
  check('a note whose end moved ends 0.25 s earlier, within 5 ms',
    Math.abs(heard.earlier[0] - heard.earlier[1] - 0.25) < 0.005, `ends ${heard.earlier.join(' -> ')}`);
  check('Stop silences within 50 ms', heard.beforeStop > 0.001 && heard.afterStop < 0.0001,
    `${heard.beforeStop} before, ${heard.afterStop} after`);

  // Play starts at once; Stop stops; the MIDI file is the command line's.
  const started = Date.now();
  await page.click('#play-after');
  await page.waitForFunction(() => /Playing/.test(document.getElementById('player-status').textContent) &&
    !document.getElementById('stop').disabled, { timeout: 5000 });
  const wait = (Date.now() - started) / 1000;
  await page.click('#stop');
  await page.waitForFunction(() => document.getElementById('stop').disabled, { timeout: 5000 });
  check('Play starts within half a second', wait < 0.5, `${wait} s`);
  await page.waitForFunction(() => document.getElementById('download-midi').download !== '', { timeout: 10000 });
  const midiName = await page.$eval('#download-midi', (e) => e.download);
  const done = new Promise((finish) => {
    page.downloadEvents.on('Browser.downloadProgress', (event) => {
      if (event.state === 'completed' || event.state === 'canceled') finish(event.state);
    });
  });
  await page.click('#download-midi');
  await done;
  const folder = mkdtempSync(join(work, 'midi-'));
  copyFileSync(file, join(folder, basename(file)));
  const run = spawnSync(syncTool, [basename(file), '--source', '1', '--velocity', '100', '--start-time', '100',
    '--end-time', '100', '--midi', 'after.mid'], { cwd: folder });
  const got = readFileSync(join(downloads, midiName));
  check('Download MIDI gives the command line\'s --midi file', run.status === 0 && midiName === 'listen-perfcopy.mid' &&
    Buffer.compare(got, readFileSync(join(folder, 'after.mid'))) === 0, `${midiName}, ${got.length} bytes`);

  // Playing, then opening another file, stops the sound and frees its context.
  await page.click('#play-after');
  await page.waitForFunction(() => QvPlayer.contexts() === 1, { timeout: 5000 });
  await openFile(page, join(fixtures, 'whole_copy.musicxml'));
  const freed = await page.waitForFunction(() => QvPlayer.contexts() === 0, { timeout: 5000 }).then(() => true, () => false);
  check('opening another file stops the sound and frees its audio context', freed &&
    (await page.$eval('#stop', (e) => e.disabled)), `${await page.evaluate(() => QvPlayer.contexts())} contexts open`);

  // A selection with no notes: nothing to play, and it says why.
  const rests = join(work, 'rests.musicxml');
  writeFileSync(rests, readFileSync(file, 'utf8').replace(/<pitch>.*?<\/pitch>/g, '<rest/>'));
  await openFile(page, rests);
  const state = await apply(page);
  const why = await page.$eval('#player-status', (e) => e.textContent);
  check('no notes: the player is disabled and says why', state === 'result' &&
    (await page.$eval('#play-after', (e) => e.disabled)) && /no notes/.test(why), `${state}: "${why}"`);
  await page.close();
}

// Whether the focused element shows where the focus is.
function focusShown(page) {
  return page.evaluate(() => {
    const element = document.activeElement;
    if (!element || element === document.body) return false;
    const style = getComputedStyle(element);
    return style.outlineStyle !== 'none' && parseFloat(style.outlineWidth) > 0;
  });
}

// Presses Tab until the element is focused; answers whether it was reached,
// and whether the focus was shown at every stop on the way.
async function tabTo(page, id, most = 40) {
  let shown = true;
  for (let i = 0; i < most; ++i) {
    await page.keyboard.press('Tab');
    shown = shown && (await focusShown(page));
    if (await page.evaluate((want) => document.activeElement && document.activeElement.id === want, id)) {
      return { reached: true, shown };
    }
  }
  return { reached: false, shown };
}

// The whole job by keyboard alone: open a file, choose the source, parts,
// measures and fields, Apply, answer the question, download. The order of
// the stops must follow the page, and each must show its focus.
async function keyboardOnly(address) {
  const page = await newPage(address, 1024, 768);
  // A file chooser opens only for the page in front.
  await page.bringToFront();
  const file = join(fixtures, 'chord_parts.musicxml');
  const steps = [];
  const step = (name, ok) => { if (!ok) steps.push(name); };
  try {
    let at = await tabTo(page, 'file-input');
    step('Tab reaches the file button', at.reached && at.shown);
    const [chooser] = await Promise.all([page.waitForFileChooser({ timeout: 10000 }), page.keyboard.press('Space')]);
    await chooser.accept([file]);
    await page.waitForFunction(() => !document.getElementById('sync-fields').disabled, { timeout: 60000 });
    // Opening puts the focus on the source staff's list.
    step('the focus goes to the source list', await page.evaluate(() => document.activeElement.id === 'source'));
    await page.keyboard.press('ArrowDown');
    await page.keyboard.press('ArrowUp');
    const order = ['part-first', 'part-last', 'measure-first', 'measure-last', 'use-velocity', 'velocity', 'use-start',
      'start', 'use-end', 'end', 'apply'];
    for (const id of order) {
      at = await tabTo(page, id, 3);
      step(`Tab goes on to ${id}`, at.reached && at.shown);
      if (id === 'measure-first') await page.keyboard.press('ArrowDown');
      if (id === 'use-start') await page.keyboard.press('Space');
      if (id === 'velocity') {
        await page.keyboard.down('Control');
        await page.keyboard.press('KeyA');
        await page.keyboard.up('Control');
        await page.keyboard.type('70');
      }
    }
    await page.keyboard.press('Enter');
    await page.waitForSelector('#question:not([hidden])', { timeout: 60000 });
    step('the question takes the focus', await page.evaluate(() => document.activeElement.id === 'answer-yes'));
    step('the question shows its focus', await focusShown(page));
    await page.keyboard.press('Enter');
    await page.waitForSelector('#result:not([hidden])', { timeout: 60000 });
    step('the result puts the focus on the download', await page.evaluate(() => document.activeElement.id === 'download'));
    const done = new Promise((finish) => {
      page.downloadEvents.on('Browser.downloadProgress', (event) => {
        if (event.state === 'completed' || event.state === 'canceled') finish(event.state);
      });
    });
    await page.keyboard.press('Enter');
    step('Enter on the download downloads', (await done) === 'completed');
    const got = readFileSync(join(downloads, outputName(file)));
    const expected = runTool(file, ['--source', '1', '--velocity', '70', '--end-time', '100', '--measures', '2-2',
      '--output', outputName(file)]);
    step('the download is the command line\'s', !expected.error && Buffer.compare(got, expected.bytes) === 0);
  } catch (error) {
    steps.push(`the keyboard run stopped: ${error.message}`);
  }
  check('the whole job by keyboard alone', steps.length === 0, steps.join('; '));
  await page.close();
}

// axe-core's WCAG 2.1 A and AA rules on every state of the page. The rules
// are put into the page, which its own security policy would refuse, so
// this page is opened with the policy set aside.
async function accessibility(address) {
  const axe = readFileSync(join(repo, 'web/tests/node_modules/axe-core/axe.min.js'), 'utf8');
  const page = await browser.newPage();
  await page.setBypassCSP(true);
  await page.setViewport({ width: 1024, height: 768 });
  await page.goto(address, { waitUntil: 'load' });
  const audit = async (state) => {
    await page.addScriptTag({ content: axe });
    const result = await page.evaluate(() => window.axe.run(document, {
      runOnly: { type: 'tag', values: ['wcag2a', 'wcag2aa', 'wcag21a', 'wcag21aa'] } }));
    const found = result.violations.map((v) => `${v.id} (${v.nodes.map((n) => n.target.join(' ')).join(', ')})`);
    check(`no WCAG 2.1 A or AA violation when ${state}`, found.length === 0 && result.passes.length > 0,
      found.join('; '));
  };
  await audit('empty');
  await openFile(page, join(fixtures, 'chord_parts.musicxml'));
  await page.waitForSelector('#opened-picture svg');
  await audit('opened, with the picture');
  await page.click('#apply');
  await page.waitForSelector('#question:not([hidden])');
  await audit('the question is shown');
  await page.click('#answer-yes');
  await page.waitForSelector('#result:not([hidden])');
  await audit('the result is shown, with the picture before and after');
  const bad = join(work, 'bad-axe');
  mkdirSync(bad, { recursive: true });
  writeFileSync(join(bad, 'timewise.musicxml'), '<?xml version="1.0" encoding="UTF-8"?>\n<score-timewise version="4.0"/>');
  await openFile(page, join(bad, 'timewise.musicxml'));
  await audit('an error is shown');
  await page.close();
}

// A bad file: the command line's error line, and no download on offer.
async function badCase(page, name, file, shot) {
  const error = await openFile(page, file);
  if (shot) await page.screenshot({ path: join(shots, `${shot}.png`), fullPage: true });
  const expected = runTool(file, ['--source', '1', '--velocity', '100', '--output', outputName(file)]);
  const offered = await page.$eval('#result', (e) => !e.hidden && e.querySelector('#download').download !== '');
  if (!expected.error) check(name, false, 'qvperfcopy-sync took the file');
  else check(name, error === expected.error && !offered && (await page.$eval('#sync-fields', (e) => e.disabled)),
    `the page shows "${error}", the tool "${expected.error}"${offered ? ', and a download is offered' : ''}`);
}

function makeBadFiles() {
  const bad = join(work, 'bad');
  mkdirSync(bad);
  writeFileSync(join(bad, 'timewise.musicxml'), '<?xml version="1.0" encoding="UTF-8"?>\n<score-timewise version="4.0">' +
    '<part-list><score-part id="P1"><part-name>Flute</part-name></score-part></part-list>' +
    '<measure number="1"><part id="P1"><note><pitch><step>C</step><octave>4</octave></pitch>' +
    '<duration>1</duration></note></part></measure></score-timewise>\n');
  const whole = readFileSync(join(fixtures, 'whole_copy.musicxml'));
  writeFileSync(join(bad, 'cut_short.musicxml'), whole.subarray(0, Math.floor(whole.length / 2)));
  writeFileSync(join(bad, 'empty.mxl'), Buffer.alloc(0));
  // Over the size limit, without the bytes on disk.
  writeFileSync(join(bad, 'huge.musicxml'), '');
  truncateSync(join(bad, 'huge.musicxml'), 64 * 1024 * 1024 + 1);
  return bad;
}

// Three parts with a pickup measure "0" and measures "1" to "3"; the first
// part's notes carry attack, release and dynamics.
function makeParts() {
  const note = (played) => `<note${played ? ' attack="20" release="-30" dynamics="70"' : ''}><pitch><step>C</step>` +
    '<octave>4</octave></pitch><duration>4</duration><voice>1</voice><type>whole</type></note>';
  const part = (id, played) => `<part id="${id}">` + ['0', '1', '2', '3'].map((number, i) =>
    `<measure number="${number}">${i === 0 ? '<attributes><divisions>1</divisions><time><beats>4</beats>' +
      '<beat-type>4</beat-type></time></attributes>' : ''}${note(played)}</measure>`).join('') + '</part>';
  const file = join(work, 'three_parts.musicxml');
  writeFileSync(file, '<?xml version="1.0" encoding="UTF-8"?>\n<score-partwise version="4.0"><part-list>' +
    '<score-part id="P1"><part-name>Flute</part-name></score-part>' +
    '<score-part id="P2"><part-name>Oboe</part-name></score-part>' +
    '<score-part id="P3"><part-name>Clarinet</part-name></score-part></part-list>' +
    `${part('P1', true)}${part('P2', false)}${part('P3', false)}</score-partwise>\n`);
  return file;
}

// A score of 16 parts of 5,000 measures (22 MB): the module's memory must
// grow well past 64 MiB to read it.
function makeLarge() {
  const note = '<note attack="20" release="-30" dynamics="70"><pitch><step>C</step><octave>4</octave></pitch>' +
    '<duration>4</duration><voice>1</voice><type>whole</type></note>';
  const ids = Array.from({ length: 16 }, (_, i) => `P${i + 1}`);
  const part = (id) => `<part id="${id}">` + Array.from({ length: 5000 }, (_, i) => `<measure number="${i + 1}">` +
    (i === 0 ? '<attributes><divisions>1</divisions></attributes>' : '') + `${note}</measure>`).join('') + '</part>';
  const file = join(work, 'large.musicxml');
  writeFileSync(file, '<?xml version="1.0" encoding="UTF-8"?>\n<score-partwise version="4.0"><part-list>' +
    ids.map((id) => `<score-part id="${id}"><part-name>${id}</part-name></score-part>`).join('') +
    `</part-list>${ids.map(part).join('')}</score-partwise>\n`);
  return file;
}

// Four woodwinds over 200 measures of eighths, more notes than the
// picture has pixels: the first plays a swell of dynamics and timing.
function makeWoodwinds() {
  const names = ['Flute', 'Oboe', 'Clarinet in B\u266d', 'Bassoon'];
  const steps = ['C', 'D', 'E', 'F', 'G', 'A', 'B', 'C'];
  const part = (name, p) => `<part id="P${p + 1}">` + Array.from({ length: 200 }, (_, m) => `<measure number="${m + 1}">` +
    (m === 0 ? '<attributes><divisions>2</divisions><time><beats>4</beats><beat-type>4</beat-type></time></attributes>' : '') +
    steps.map((step, k) => {
      const swell = Math.round(90 + 35 * Math.sin((m * 8 + k) / 40));
      const playback = p === 0 ? ` dynamics="${swell}" attack="${(k % 3) / 4}" release="${-(k % 2) / 2}"` : '';
      return `<note${playback}><pitch><step>${step}</step><octave>${5 - p}</octave></pitch><duration>1</duration>` +
        '<voice>1</voice><type>eighth</type></note>';
    }).join('') + '</measure>').join('') + '</part>';
  const file = join(work, 'woodwinds.musicxml');
  writeFileSync(file, '<?xml version="1.0" encoding="UTF-8"?>\n<score-partwise version="4.0"><part-list>' +
    names.map((name, p) => `<score-part id="P${p + 1}"><part-name>${name}</part-name></score-part>`).join('') +
    `</part-list>${names.map(part).join('')}</score-partwise>\n`);
  return file;
}

// A .mxl archive of a fixture, made with Debian's zip.
function makeMxl() {
  const folder = join(work, 'mxl');
  mkdirSync(join(folder, 'META-INF'), { recursive: true });
  copyFileSync(join(fixtures, 'whole_copy.musicxml'), join(folder, 'score.musicxml'));
  writeFileSync(join(folder, 'META-INF/container.xml'), '<?xml version="1.0" encoding="UTF-8"?>\n<container>' +
    '<rootfiles><rootfile full-path="score.musicxml" media-type="application/vnd.recordare.musicxml+xml"/>' +
    '</rootfiles></container>\n');
  execFileSync('zip', ['-q', '-X', join(work, 'whole_copy.mxl'), 'META-INF/container.xml', 'score.musicxml'],
    { cwd: folder });
  return join(work, 'whole_copy.mxl');
}

try {
  const served = await serve(pagePath);
  const address = `http://127.0.0.1:${served.server.address().port}/`;
  const bad = makeBadFiles();

  // From the static server, at 1024x768.
  const page = await newPage(address, 1024, 768);
  await page.screenshot({ path: join(shots, 'web-start.png') });
  const texts = await page.$eval('body', (e) => e.innerText);
  check('the tool window\'s texts and defaults', texts.includes('Small % = Less change') &&
    texts.includes('Large % = Closer to source value') &&
    (await page.$$eval('input[type=number]', (all) => all.every((e) => e.value === '100'))) &&
    (await page.$$eval('input[type=checkbox]', (all) => all.every((e) => e.checked))), 'missing or changed');

  // The notices of the code the page carries, shown by a click on Licences,
  // word for word the THIRD-PARTY-NOTICES.txt built beside the page.
  const thirdParty = readFileSync(join(dirname(pagePath), 'THIRD-PARTY-NOTICES.txt'), 'utf8');
  const hidden = await page.$eval('#licence-text', (e) => !e.checkVisibility());
  await page.click('#licences summary');
  const licences = await page.$eval('#licence-text', (e) => ({ text: e.textContent, shown: e.checkVisibility() }));
  check('the Licences section shows the third-party notices', hidden && licences.shown && licences.text === thirdParty,
    !hidden ? 'shown before a click' : !licences.shown ? 'not shown after a click' : 'its text is not THIRD-PARTY-NOTICES.txt');
  await page.click('#licences summary');

  await openFile(page, join(fixtures, 'two_staff_part.musicxml'));
  const staves = await page.$$eval('#source option', (all) => all.map((e) => e.textContent));
  check('staves as the tool window names them', staves.join('|') === 'Piano (staff 1)|Piano (staff 2)',
    `listed ${staves.join('|')}`);
  await page.screenshot({ path: join(shots, 'web-opened.png'), fullPage: true });

  // Opened, the picture shows the values as they are: the tool's "before".
  const chordParts = join(fixtures, 'chord_parts.musicxml');
  await openFile(page, chordParts);
  await page.waitForSelector('#opened-picture svg');
  const opened = await pageNotes(page, 'opened-picture');
  const tool = runTool(chordParts, ['--source', '1', '--velocity', '100', '--output', outputName(chordParts)]);
  const asBefore = (notes) => notes.map((n) => n.replace(/data-(velocity|start|end)-after="[^"]*" /g, '')
    .replace(/ data-record-after="none"| data-changed="true"/g, ''));
  check('the picture on opening shows the values as they are', !tool.error && opened.length === tool.notes.length &&
    opened.length > 0 && asBefore(opened).join('\n') === asBefore(tool.notes).join('\n') &&
    opened.every((n) => !n.includes('data-changed')), `${opened.length} notes: ${opened[0]} | ${tool.notes[0]}`);
  await page.screenshot({ path: join(shots, 'web-picture-opened.png'), fullPage: true });
  // A range of measures, looked at closely: the picture is drawn again for it.
  await page.select('#measure-first', '1');
  await page.waitForFunction(() => !document.querySelector('#opened-picture g.note[data-measure="1"]') &&
    document.querySelector('#opened-picture g.note'), { timeout: 30000 });
  check('the picture follows the measures chosen',
    (await page.$$eval('#opened-picture g.note', (all) => all.every((n) => n.dataset.measure === '2'))), 'measure 1 shown');

  // A second Apply starts from the file as it was opened: 50 % twice is 50 % once.
  {
    const file = join(fixtures, 'whole_copy.musicxml');
    await openFile(page, file);
    const options = { source: 1, velocity: 50, start: 50, end: 50 };
    await choose(page, options);
    const first = (await apply(page)) === 'result' ? await download(page, outputName(file)) : null;
    await choose(page, options);
    const second = (await apply(page)) === 'result' ? await download(page, outputName(file)) : null;
    const once = runTool(file, toolArguments(options, file));
    check('50 % applied twice gives what 50 % applied once gives', first && second && !once.error &&
      Buffer.compare(first, once.bytes) === 0 && Buffer.compare(second, once.bytes) === 0,
      'the second Apply started from the first one\'s result');
  }

  await copyCase(page, 'velocity at 50% on whole_copy.musicxml', join(fixtures, 'whole_copy.musicxml'),
    { source: 1, velocity: 50, end: 100 }, 'web-result');
  const parts = makeParts();
  await copyCase(page, 'parts as musicians count them', parts,
    { source: 1, velocity: 100, start: 30, parts: [2, 2], toolParts: '2-2' });
  await copyCase(page, 'a measure range by printed numbers', parts,
    { source: 1, velocity: 80, end: 100, measures: [1, 2], toolMeasures: '1-2' });
  await copyCase(page, 'a UTF-16 file, written back in UTF-16', join(fixtures, 'utf16le_bom.musicxml'),
    { source: 1, velocity: 100, start: 100, end: 100 });
  await copyCase(page, 'a Latin-1 file, written back in Latin-1', join(fixtures, 'latin1.musicxml'),
    { source: 1, velocity: 100, start: 100, end: 100 });
  await copyCase(page, 'a windows-1252 file, written back in windows-1252', join(fixtures, 'windows1252.musicxml'),
    { source: 1, velocity: 100, start: 100 });
  await copyCase(page, 'a file labelled UTF-16 but written in UTF-8', join(fixtures, 'utf16_label_utf8.musicxml'),
    { source: 1, velocity: 100, start: 100, end: 100 });
  await copyCase(page, 'a compressed .mxl', makeMxl(), { source: 1, velocity: 60, end: 40 });
  await copyCase(page, 'more notes than the picture has pixels', makeWoodwinds(),
    { source: 1, velocity: 100, start: 100, end: 100 }, 'web-orchestral');
  check('a lane of many notes is drawn by pixel columns',
    (await page.$$eval('#result-picture path.range-after', (all) => all.length)) >= 3 &&
    (await page.$$eval('#result-picture g.note', (all) => all.length)) === 0, 'drawn note by note');
  if (demo) {
    await copyCase(page, `MuseScore's demo ${basename(demo)}`, demo, { source: 1, velocity: 100, start: 100, end: 100 });
  } else {
    check('a MuseScore demo score', false, 'none given: run scripts/real-scores.sh first');
  }

  // The reader's notices, as the tool prints them.
  for (const name of ['left_out.musicxml', 'utf16_label_utf8.musicxml']) {
    const noticed = join(fixtures, name);
    await openFile(page, noticed);
    const notices = await page.$$eval('#notices li', (all) => all.map((e) => e.textContent));
    const toolNotices = runTool(noticed, ['--source', '1', '--velocity', '100', '--output', outputName(noticed)]).notices;
    check(`the reader's notices on ${name}`,
      toolNotices && toolNotices.length > 0 && notices.join('|') === toolNotices.join('|'),
      `the page shows "${notices.join('|')}", the tool "${toolNotices ? toolNotices.join('|') : ''}"`);
  }

  // The question: No leaves nothing to download.
  await openFile(page, join(fixtures, 'whole_copy.musicxml'));
  await page.click('#apply');
  await page.waitForSelector('#question:not([hidden])');
  await page.screenshot({ path: join(shots, 'web-question.png'), fullPage: true });
  const title = await page.$eval('#question-title', (e) => e.textContent);
  await page.click('#answer-no');
  check('the source-staff question, answered No', title === 'Source Staff in Selection' &&
    (await page.$eval('#result', (e) => e.hidden)), `asked "${title}"`);

  await badCase(page, 'a score-timewise file', join(bad, 'timewise.musicxml'), 'web-error');
  await badCase(page, 'XML cut short', join(bad, 'cut_short.musicxml'));
  await badCase(page, 'an empty .mxl', join(bad, 'empty.mxl'));
  await badCase(page, 'a file over the size limit', join(bad, 'huge.musicxml'));

  // A second file after an error and after a result starts clean.
  await openFile(page, join(fixtures, 'whole_copy.musicxml'));
  check('a second file starts clean', (await page.$eval('#error', (e) => e.textContent)) === '' &&
    (await page.$eval('#result', (e) => e.hidden)) && (await page.$$eval('#notices li', (all) => all.length)) === 0,
    'the last file\'s error, result or notices are still shown');

  // Keyboard only: Tab to the fields, Enter applies.
  await page.focus('#source');
  await page.keyboard.press('Enter');
  const keyboardState = await apply(page).catch(() => 'none');
  check('Apply from the keyboard', keyboardState === 'result', `the page went to "${keyboardState}"`);

  // A bad argument through the page's path: the module's parser throws and
  // catches, the page shows the command line's error line, and the module
  // goes on to the next copy.
  const whole = join(fixtures, 'whole_copy.musicxml');
  await page.$eval('#source option', (e) => { e.value = '0'; });
  await page.select('#source', '0');
  const refusedState = await apply(page);
  const refused = await page.$eval('#error', (e) => e.textContent);
  const toolRefused = runTool(whole, ['--source', '0', '--output', outputName(whole)]).error;
  check('a bad argument gives the command line\'s error line', refusedState === 'error' && toolRefused !== undefined &&
    toolRefused.startsWith('qvperfcopy-sync: --source: ') && refused === toolRefused,
    `the page shows "${refused}", the tool "${toolRefused}"`);
  if (await page.$('#source option')) {
    await page.$eval('#source option', (e) => { e.value = '1'; });
    await page.select('#source', '1');
    const afterState = await apply(page);
    check('a copy after a bad argument', afterState === 'result', `the page went to "${afterState}"`);
  } else {
    check('a copy after a bad argument', false, 'the page let go of the file');
  }
  await page.close();

  await listening(address);
  await keyboardOnly(address);
  await accessibility(address);

  // From a local folder, at a phone's width.
  const local = await newPage(pathToFileURL(pagePath).href, 390, 844);
  await copyCase(local, 'the page opened from a local folder', join(fixtures, 'whole_copy.musicxml'),
    { source: 1, velocity: 100, start: 100, end: 100 }, 'web-phone');
  const overflow = await local.$eval('body', (e) => e.scrollWidth > document.documentElement.clientWidth);
  check('readable at a phone\'s width', !overflow, 'the page is wider than the screen');
  await local.close();

  // A browser that lets the module's memory grow only to 65 MiB (1,040 pages
  // of 64 KiB; it starts at 64): a large score gives the error line and no
  // download, and the next file is read by a new module.
  const tight = await launchChromium(join(work, 'tight'), ['--js-flags=--wasm-max-mem-pages=1040']);
  try {
    const small = await newPage(pathToFileURL(pagePath).href, 1024, 768, tight);
    const error = await openFile(small, makeLarge());
    const offered = await small.$eval('#result', (e) => !e.hidden);
    check('a score too large for the browser\'s memory', !offered &&
      error === 'qvperfcopy-sync: large.musicxml: not enough memory in this browser for this score',
      `the page shows "${error}"${offered ? ' and a result' : ''}`);
    await copyCase(small, 'a file after one too large for memory', join(fixtures, 'whole_copy.musicxml'),
      { source: 1, velocity: 100, start: 100, end: 100 });
    await small.close();
  } finally {
    await tight.close();
  }

  const own = (r) => r.url === r.page || r.url.startsWith('blob:');
  const foreign = requests.filter((r) => !own(r));
  check('no request beyond the page itself', foreign.length === 0 && requests.length > 0 &&
    // The browser asks for a site's icon by itself, whatever the page does.
    served.asked.every((url) => url === '/' || url === '/favicon.ico'), `asked for ${foreign.map((r) => r.url).join(', ')} ` +
    `${served.asked.join(', ')}`);
  check('no content security policy violation or page error', violations.length === 0, violations.join('; '));
  served.server.close();
} catch (error) {
  check('the browser session', false, error.stack);
} finally {
  await browser.close();
  rmSync(work, { recursive: true, force: true });
}
console.log(`web: ${passed} passed, ${failed} failed`);
process.exit(failed === 0 && passed > 0 ? 0 : 1);


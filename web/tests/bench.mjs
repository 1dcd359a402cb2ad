// Times the page on one file in headless chromium: opening it (reading in
// the worker, the tool window's list) and Apply with all three fields at
// 100 % from staff 1 to every part, up to the download being offered.
// Prints "page: open S s, apply S s, total S s" for the median of RUNS, and
// the part of the apply that drew the picture, and its size.
//
//   node web/tests/bench.mjs PAGE.html FILE [RUNS]
import { mkdtempSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join, resolve } from 'node:path';
import { pathToFileURL } from 'node:url';
import { launchChromium } from './chromium.mjs';

const [pagePath, file, runsText] = process.argv.slice(2);
if (!pagePath || !file) {
  console.error('bench.mjs: usage: node web/tests/bench.mjs PAGE.html FILE [RUNS]');
  process.exit(2);
}
const runs = Number(runsText || 3);
const work = mkdtempSync(join(tmpdir(), 'qvperfcopy-web-bench-'));
const browser = await launchChromium(work);
const median = (values) => [...values].sort((a, b) => a - b)[Math.floor(values.length / 2)];
const opens = [];
const applies = [];
const pictures = [];  // the module's time to draw the picture of an Apply
const sizes = [];
try {
  const page = await browser.newPage();
  await page.goto(pathToFileURL(resolve(pagePath)).href, { waitUntil: 'load' });
  for (let run = 0; run < runs; ++run) {
    const input = await page.$('#file-input');
    const opened = Date.now();
    await input.uploadFile(resolve(file));
    await page.waitForFunction(() => document.getElementById('error').textContent !== '' ||
      !document.getElementById('sync-fields').disabled, { timeout: 600000, polling: 20 });
    const error = await page.$eval('#error', (e) => e.textContent);
    if (error) throw new Error(error);
    opens.push((Date.now() - opened) / 1000);
    const applied = Date.now();
    await page.click('#apply');
    for (;;) {
      const state = await (await page.waitForFunction(() => (!document.getElementById('question').hidden && 'question') ||
        (!document.getElementById('result').hidden && 'result') ||
        (document.getElementById('error').textContent !== '' && 'error'), { timeout: 600000, polling: 20 })).jsonValue();
      if (state === 'question') await page.click('#answer-yes');
      else if (state === 'error') throw new Error(await page.$eval('#error', (e) => e.textContent));
      else break;
    }
    applies.push((Date.now() - applied) / 1000);
    pictures.push(Number(await page.$eval('#result-picture', (e) => e.dataset.drawSeconds)));
    sizes.push(await page.$eval('#result-picture', (e) => e.innerHTML.length));
  }
  const open = median(opens);
  const apply = median(applies);
  // Play after a copy of 8 measures: from the click to the first note,
  // which the player starts its lead after it schedules.
  await page.select('#measure-first', '0');
  await page.select('#measure-last', '7');
  await page.click('#apply');
  for (;;) {
    const state = await (await page.waitForFunction(() => (!document.getElementById('question').hidden && 'question') ||
      (!document.getElementById('result').hidden && 'result'), { timeout: 600000, polling: 20 })).jsonValue();
    if (state === 'question') await page.click('#answer-yes');
    else break;
  }
  await page.waitForFunction(() => !document.getElementById('play-after').disabled, { timeout: 60000 });
  const pressed = Date.now();
  await page.click('#play-after');
  await page.waitForFunction(() => /Playing/.test(document.getElementById('player-status').textContent),
    { timeout: 60000, polling: 5 });
  const play = (Date.now() - pressed) / 1000 + await page.evaluate(() => QvPlayer.lead);
  await page.click('#stop');
  const picture = median(pictures);
  console.log(`page: open ${open.toFixed(2)} s, apply ${apply.toFixed(2)} s, total ${(open + apply).toFixed(2)} s ` +
    `(median of ${runs}); the picture: ${picture.toFixed(3)} s of the apply (${(100 * picture / (apply - picture)).toFixed(1)} % ` +
    `more than without it), ${median(sizes)} bytes; Play to the first sound for 8 measures: ${play.toFixed(2)} s`);
} finally {
  await browser.close();
  rmSync(work, { recursive: true, force: true });
}

// Puts the page together as one HTML file: the style, the page's script and
// the worker (the module's script, with its WebAssembly inside, followed by
// worker.js), with a content security policy that allows those and nothing
// else: no address to fetch from, no other script, no plug-in.
//
//   node web/bundle.mjs MODULE.js OUT.html
import { createHash } from 'node:crypto';
import { readFileSync, writeFileSync } from 'node:fs';
import { dirname, join } from 'node:path';
import { fileURLToPath } from 'node:url';

const [modulePath, outPath] = process.argv.slice(2);
if (!modulePath || !outPath) {
  console.error('bundle.mjs: usage: node web/bundle.mjs MODULE.js OUT.html');
  process.exit(2);
}
const here = dirname(fileURLToPath(import.meta.url));
const read = (name) => readFileSync(join(here, name), 'utf8');
const hash = (text) => `'sha256-${createHash('sha256').update(text, 'utf8').digest('base64')}'`;

const style = read('style.css');
// The player first: the page's script uses it.
const page = `${read('player.js')}\n${read('page.js')}`;
const worker = `${readFileSync(modulePath, 'utf8')}\n${read('worker.js')}`;
for (const [name, text] of [['the page script', page], ['the worker', worker], ['the style', style]]) {
  if (/<\/(script|style)/i.test(text)) {
    console.error(`bundle.mjs: ${name} holds a closing tag and cannot be put inline`);
    process.exit(1);
  }
}
const policy = [
  "default-src 'none'",
  `script-src ${hash(page)} 'wasm-unsafe-eval'`,
  `style-src ${hash(style)}`,
  'worker-src blob:',
  "base-uri 'none'",
  "form-action 'none'",
].join('; ');
const parts = { '@CSP@': policy, '@STYLE@': style, '@WORKER@': worker, '@PAGE@': page };
const html = read('index.html').replace(/@(CSP|STYLE|WORKER|PAGE)@/g, (marker) => parts[marker]);
writeFileSync(outPath, html);
console.log(`bundle.mjs: ${outPath} (${html.length} bytes)`);

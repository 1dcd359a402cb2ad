// Debian's chromium, headless, with a profile of the caller's own and
// nothing that reaches out to the network by itself; extra switches after.
import { join } from 'node:path';
import puppeteer from 'puppeteer-core';

export function launchChromium(work, extra = []) {
  return puppeteer.launch({
    executablePath: '/usr/bin/chromium',
    ignoreDefaultArgs: true,
    args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
      '--disable-background-networking', '--disable-component-update', '--disable-sync',
      `--user-data-dir=${join(work, 'profile')}`, ...extra, 'about:blank'],
  });
}

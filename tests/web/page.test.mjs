// The search page in Debian's chromium, driven by playwright-core: queries typed key by key,
// each hit count held to the library's own paging count, the address reloading to the same view,
// the matched part marked, every hit reachable by scrolling, the keyboard alone enough, and not
// one console error. Prints how long a keystroke takes to show its first rows, and saves a
// screenshot in the build folder.
import assert from 'node:assert/strict';
import { mkdtemp, readFile, rm } from 'node:fs/promises';
import { createServer } from 'node:http';
import os from 'node:os';
import path from 'node:path';
import { after, before, test } from 'node:test';
import { pathToFileURL } from 'node:url';

import { webDir } from './wasm_support.mjs';

let chromium;
try {
  ({ chromium } = await import('playwright-core'));
} catch {
  throw new Error('playwright-core is missing: run tools/setup.sh wasm (npm ci in tests/web)');
}

const executablePath = process.env.TUNELEDGER_CHROMIUM || '/usr/bin/chromium';
const screenshot = process.env.TUNELEDGER_SCREENSHOT || path.join(webDir, '..', 'search-page.png');
const { load, queryOf } = await import(pathToFileURL(path.join(webDir, 'tuneledger.mjs')));
const tl = await load(path.join(webDir, 'tuneledger.wasm'));

// Queries as a user types them, the hits the library pages through for them (the page hands the
// library the UTF-8 bytes of what was typed, as the command line does), and what the page must
// mark in every row shown (lower case; null: not checked).
const QUERIES = [
  { mode: 'search', text: 'Björn', marks: ['björn'], hash: '#search=Bj%C3%B6rn' },
  { mode: 'search', text: '(x124)', marks: ['(x124)'], hash: '#search=(x124)' },
  { mode: 'search', text: '|46547|', marks: ['46547'], hash: '#search=|46547|' },
  { mode: 'filter', text: 'love;night;', marks: ['love', 'night'], hash: '#filter=love;night;' },
  { mode: 'search', text: 'night', marks: ['night'], hash: '#search=night' },
  { mode: 'search', text: 'Café', marks: ['café'], hash: '#search=Caf%C3%A9' },
  { mode: 'filter', text: 'the;|1|;', marks: null, hash: '#filter=the;|1|;' },
  { mode: 'search', text: 'no such text anywhere', marks: [], hash: '#search=no%20such%20text%20anywhere' },
  { mode: 'filter', text: 'love', marks: [], hash: '#filter=love' },
  { mode: 'search', text: 'e', marks: null, hash: '#search=e' },
];

function libraryHits({ mode, text }) {
  return [...tl.hits(queryOf(text), { filter: mode === 'filter' })].map((hit) => hit.index);
}

const MIME = { '.html': 'text/html', '.js': 'text/javascript', '.mjs': 'text/javascript', '.css': 'text/css', '.wasm': 'application/wasm' };

let server;
let origin;
let browser;
let userDataDir;
const problems = [];
const timings = [];

before(async () => {
  server = createServer(async (request, response) => {
    const file = path.join(webDir, path.normalize(decodeURIComponent(new URL(request.url, 'http://x').pathname)).replace(/^(\.\.[/\\])+/, ''));
    try {
      const body = await readFile(file.endsWith(path.sep) ? path.join(file, 'index.html') : file);
      response.writeHead(200, { 'content-type': MIME[path.extname(file)] || 'application/octet-stream' });
      response.end(body);
    } catch {
      response.writeHead(404).end();
    }
  });
  await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
  origin = `http://127.0.0.1:${server.address().port}`;
  userDataDir = await mkdtemp(path.join(os.tmpdir(), 'tuneledger-chromium-'));
  browser = await chromium.launchPersistentContext(userDataDir, {
    executablePath,
    headless: true,
    viewport: { width: 1280, height: 900 },
    args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run', '--disable-background-networking',
      '--disable-component-update', '--disable-sync'],
  });
});

after(async () => {
  await browser?.close();
  server?.close();
  if (userDataDir) await rm(userDataDir, { recursive: true, force: true });
});

async function openPage(hash = '') {
  const page = await browser.newPage();
  page.on('console', (message) => {
    if (message.type() === 'error' || message.type() === 'warning') problems.push(`console ${message.type()}: ${message.text()}`);
  });
  page.on('pageerror', (error) => problems.push(`page error: ${error.message}`));
  page.on('response', (response) => {
    if (response.status() >= 400) problems.push(`${response.status()} for ${response.url()}`);
  });
  page.on('requestfailed', (request) => problems.push(`request failed: ${request.url()}`));
  await page.goto(`${origin}/index.html${hash}`);
  await page.waitForSelector('body[data-ready="true"]');
  await doneCounting(page);
  return page;
}

async function doneCounting(page) {
  await page.waitForSelector('#status[data-state="done"]');
  return Number(await page.getAttribute('#status', 'data-hits'));
}

// What the page shows: hit count, the index and the marks of every row.
async function shown(page) {
  return page.evaluate(() => ({
    hits: Number(document.getElementById('status').dataset.hits),
    status: document.getElementById('status').textContent,
    query: document.getElementById('query').value,
    mode: document.querySelector('input[name="mode"]:checked').value,
    hash: location.hash,
    rows: [...document.querySelectorAll('#hits tbody tr')].map((tr) => ({
      index: Number(tr.querySelector('th').textContent),
      cells: tr.querySelectorAll('td').length,
      marks: [...tr.querySelectorAll('mark')].map((mark) => mark.textContent.toLowerCase()),
    })),
  }));
}

function checkView(view, query, expected) {
  const what = `${query.mode} ${JSON.stringify(query.text)}`;
  assert.equal(view.hits, expected.length, `${what}: hit count`);
  assert.equal(view.query, query.text, what);
  assert.equal(view.mode, query.mode, what);
  assert.equal(view.hash, query.hash, `${what}: address`);
  assert.deepEqual(view.rows.map((row) => row.index), expected.slice(0, view.rows.length), `${what}: rows in library order`);
  assert.equal(view.rows.length, Math.min(100, expected.length), `${what}: the first page of rows`);
  for (const row of view.rows) {
    assert.equal(row.cells, 8, `${what}: performer, title and six figures in row ${row.index}`);
    if (query.marks === null) {
      assert.ok(row.marks.length > 0, `${what}: row ${row.index} marks its match`);
    } else {
      for (const mark of query.marks) assert.ok(row.marks.includes(mark), `${what}: row ${row.index} marks ${mark} (${row.marks})`);
      for (const mark of row.marks) assert.ok(query.marks.includes(mark), `${what}: row ${row.index} marks only the match (${mark})`);
    }
  }
}

// Chooses the mode with the keyboard: from the search box, Tab reaches the checked radio button
// and the arrow keys move the choice.
async function chooseMode(page, mode) {
  const current = await page.evaluate(() => document.querySelector('input[name="mode"]:checked').value);
  if (current === mode) return;
  await page.getByLabel('Search the chart').focus();
  await page.keyboard.press('Tab');
  await page.keyboard.press(mode === 'filter' ? 'ArrowRight' : 'ArrowLeft');
  assert.equal(await page.evaluate(() => document.activeElement.value), mode);
  await page.keyboard.press('Shift+Tab');
}

test('typed queries show the library\'s hits, marked, and reload from the address', async (t) => {
  const page = await openPage();
  // The whole chart before anything is typed.
  assert.equal((await shown(page)).hits, 11082);
  for (const query of QUERIES) {
    await chooseMode(page, query.mode);
    await page.getByLabel('Search the chart').focus();
    await page.keyboard.press('Control+A');
    await page.keyboard.press('Backspace');
    const before = await page.evaluate(() => window.tuneledgerTimings.length);
    // About as fast as a quick typist, so each keystroke's figure is its own.
    await page.keyboard.type(query.text, { delay: 60 });
    await page.waitForFunction((text) => window.tuneledgerTimings.some((k) => k.query === text), query.text);
    await doneCounting(page);
    const expected = libraryHits(query);
    checkView(await shown(page), query, expected);
    const keystrokes = (await page.evaluate((from) => window.tuneledgerTimings.slice(from), before))
      .filter((k) => k.query !== '' && query.text.startsWith(k.query));
    timings.push(...keystrokes);
    t.diagnostic(`${query.mode} ${JSON.stringify(query.text)}: ${expected.length} hits; each keystroke to its first rows shown, ms: ${keystrokes.map((k) => k.ms.toFixed(1)).join(' ')}`);

    // The address holds the query: a reload, and a fresh page opened from it, show the same.
    await page.reload();
    await page.waitForSelector('body[data-ready="true"]');
    await doneCounting(page);
    checkView(await shown(page), query, expected);
    const linked = await openPage(query.hash);
    checkView(await shown(linked), query, expected);
    await linked.close();
  }
  await page.close();
  assert.deepEqual(problems, []);
});

test('every hit is reachable by scrolling, and by the keyboard alone', async (t) => {
  const page = await openPage('#search=e');
  const expected = libraryHits({ mode: 'search', text: 'e' });
  assert.ok(expected.length > 5000);
  // Scrolling to the end of the page brings in the next rows, until every hit shows.
  let rows = 0;
  for (let step = 0; step < 1000 && rows < expected.length; ++step) {
    await page.mouse.wheel(0, 100000);
    await page.waitForFunction((count) => document.querySelectorAll('#hits tbody tr').length > count
      || document.getElementById('more').hidden, rows);
    rows = await page.evaluate(() => document.querySelectorAll('#hits tbody tr').length);
  }
  const view = await shown(page);
  assert.deepEqual(view.rows.map((row) => row.index), expected);
  assert.equal(await page.isHidden('#more'), true);
  t.diagnostic(`scrolled through all ${expected.length} hits of "e"`);

  // With the keyboard only: '/' goes to the search box, Enter to the hits, and the button below
  // the table shows the next rows.
  const keyboard = await openPage();
  await keyboard.keyboard.press('Shift+Tab');
  await keyboard.keyboard.press('/');
  await keyboard.keyboard.type('love');
  await doneCounting(keyboard);
  await keyboard.keyboard.press('Enter');
  assert.equal(await keyboard.evaluate(() => document.activeElement.id), 'hits');
  const loveHits = libraryHits({ mode: 'search', text: 'love' });
  await keyboard.keyboard.press('Tab');
  assert.equal(await keyboard.evaluate(() => document.activeElement.textContent), 'Show more hits');
  for (let press = 0; press < 20 && !(await keyboard.isHidden('#more')); ++press) await keyboard.keyboard.press('Enter');
  assert.deepEqual((await shown(keyboard)).rows.map((row) => row.index), loveHits);
  // Labels a screen reader reads out.
  assert.equal(await keyboard.getByRole('searchbox', { name: 'Search the chart' }).count(), 1);
  assert.equal(await keyboard.getByRole('radio', { name: 'Text' }).count(), 1);
  assert.equal(await keyboard.getByRole('radio', { name: 'Every term' }).count(), 1);
  assert.match(await keyboard.getByRole('status').textContent(), /hits/);
  await keyboard.close();
  await page.close();
  assert.deepEqual(problems, []);
});

// The page takes the build of the module its engine runs: chromium validates WebAssembly SIMD
// and gets tuneledger-simd128.wasm; an engine that refuses SIMD (here one whose validate says so)
// gets tuneledger.wasm, and the page works the same.
test('the page loads the SIMD build where the engine runs it, the portable one elsewhere', async (t) => {
  const page = await openPage('#search=night');
  const kernel = await page.evaluate(() => window.tuneledgerKernel);
  t.diagnostic(`the page in chromium runs the ${kernel} kernel`);
  assert.equal(kernel, 'simd128');
  const hits = (await shown(page)).hits;
  await page.close();

  const withoutSimd = await browser.newPage();
  await withoutSimd.addInitScript(() => {
    WebAssembly.validate = () => false;
  });
  const fetched = [];
  withoutSimd.on('request', (request) => fetched.push(new URL(request.url()).pathname));
  await withoutSimd.goto(`${origin}/index.html#search=night`);
  await withoutSimd.waitForSelector('body[data-ready="true"]');
  await doneCounting(withoutSimd);
  const fallback = await withoutSimd.evaluate(() => window.tuneledgerKernel);
  t.diagnostic(`the page where WebAssembly SIMD doesn't validate runs the ${fallback} kernel`);
  assert.equal(fallback, 'portable');
  assert.ok(fetched.includes('/tuneledger.wasm') && !fetched.includes('/tuneledger-simd128.wasm'), fetched.join(' '));
  assert.equal((await shown(withoutSimd)).hits, hits);
  assert.equal(hits, libraryHits({ mode: 'search', text: 'night' }).length);
  await withoutSimd.close();
  assert.deepEqual(problems, []);
});

test('a screenshot of a search, and the keystroke figures', async (t) => {
  const page = await openPage();
  await page.getByLabel('Search the chart').focus();
  await page.keyboard.type('night');
  await doneCounting(page);
  await page.screenshot({ path: screenshot });
  t.diagnostic(`screenshot: ${screenshot}`);
  const filtered = await openPage('#filter=Björn;|1|;');
  const filterScreenshot = screenshot.replace(/\.png$/, '-filter.png');
  await filtered.screenshot({ path: filterScreenshot });
  t.diagnostic(`screenshot: ${filterScreenshot}`);
  await filtered.close();
  await page.close();
  assert.deepEqual(problems, []);

  for (const [what, key] of [['in the page (search and rows built)', 'work'], ['on screen (the next frame)', 'ms']]) {
    const ms = timings.map((timing) => timing[key]).sort((a, b) => a - b);
    const at = (share) => ms[Math.min(ms.length - 1, Math.floor(share * ms.length))].toFixed(1);
    t.diagnostic(`keystroke to its first rows ${what}, ${ms.length} keystrokes: median ${at(0.5)} ms, 90th percentile ${at(0.9)} ms, slowest ${at(1)} ms`);
  }
});

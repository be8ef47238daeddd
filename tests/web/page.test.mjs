// The search page in Debian's chromium, driven by playwright-core: queries typed key by key,
// each hit count held to the library's own paging count, the address reloading to the same view,
// the matched part marked, every hit reachable by scrolling, the keyboard alone enough, and not
// one console error; the warnings the command line gives; at five widths from 320 px and in both
// colour schemes, no cell whose content spills and no sideways scrolling; and an axe-core audit.
// Prints how long a keystroke takes to show its first rows, and saves screenshots in the build
// folder (screenshots/).
import assert from 'node:assert/strict';
import { mkdir, readFile } from 'node:fs/promises';
import { createRequire } from 'node:module';
import path from 'node:path';
import { after, before, test } from 'node:test';
import { pathToFileURL } from 'node:url';

import { serve } from './static_server.mjs';
import { webDir } from './wasm_support.mjs';

let chromium;
try {
  ({ chromium } = await import('playwright-core'));
} catch {
  throw new Error('playwright-core is missing: run tools/setup.sh wasm (npm ci in tests/web)');
}

const executablePath = process.env.TUNELEDGER_CHROMIUM || '/usr/bin/chromium';
const screenshots = process.env.TUNELEDGER_SCREENSHOTS || path.join(webDir, '..', 'screenshots');
const screenshot = path.join(screenshots, 'search-page.png');
const { load, queryOf } = await import(pathToFileURL(path.join(webDir, 'tuneledger.mjs')));
const tl = await load(path.join(webDir, 'tuneledger.wasm'));

// Queries as a user types them, the hits the library pages through for them (the page hands the
// library the UTF-8 bytes of what was typed, as the command line does), and what the page must
// mark in every row shown (lower case; null: not checked).
const QUERIES = [
  { mode: 'search', text: 'Björn', marks: ['björn'], hash: '#search=Bj%C3%B6rn' },
  // Figures show as the command line's table shows them: '(x124)' as 124, 46547 as 46,547.
  { mode: 'search', text: '(x124)', marks: ['124'], hash: '#search=(x124)' },
  { mode: 'search', text: '|46547|', marks: ['46,547'], hash: '#search=|46547|' },
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

let site;
let origin;
let browser;
let context;
const problems = [];
const timings = [];

before(async () => {
  site = await serve(webDir);
  origin = site.origin;
  await mkdir(screenshots, { recursive: true });
  browser = await chromium.launch({
    executablePath,
    headless: true,
    args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run', '--disable-background-networking',
      '--disable-component-update', '--disable-sync'],
  });
  context = await browser.newContext({ viewport: { width: 1280, height: 900 }, locale: 'en-US' });
});

after(async () => {
  await browser?.close();
  await site?.close();
});

// A page in `within` (a browser context; the 1280 px one unless given), its problems collected.
async function openPage(hash = '', within = context) {
  const page = await within.newPage();
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

// What the page says beside the count: the command line's warnings, and the hint to match every
// term. Each case: the address, the hits the library gives for what the page must search, and words
// the warning must hold (null: no warning).
const WARNINGS = [
  { hash: '#filter=love;night', mode: 'filter', query: 'love;night', warning: /‘night’ after the last ‘;’ takes no part/ },
  { hash: '#filter=love', mode: 'filter', query: 'love', warning: /‘love’ takes no part: a term ends with ‘;’, and without one every entry passes/ },
  { hash: '#filter=love;night;', mode: 'filter', query: 'love;night;', warning: null },
  { hash: '#filter=', mode: 'filter', query: '', warning: null },
  { hash: '#search=night', mode: 'search', query: 'night', warning: null },
  { hash: `#search=${'a'.repeat(170)}`, mode: 'search', query: 'a'.repeat(170), warning: /has 170 characters, more than the longest entry \(169\): nothing contains it/ },
  { hash: `#filter=love;${'b'.repeat(170)};`, mode: 'filter', query: `love;${'b'.repeat(170)};`, warning: /The term ‘b{40}…’ has 170 characters, more than the longest entry \(169\): nothing passes/ },
  { hash: `#filter=${'x;'.repeat(1500)}`, mode: 'filter', query: 'x;'.repeat(1500), warning: /The filter has 3,000 characters, more than the 2,999 a filter may have: nothing passes/ },
  // Counted as the library counts: 'ö' is two bytes of UTF-8.
  { hash: `#search=${'%C3%B6'.repeat(85)}`, mode: 'search', query: 'ö'.repeat(85), warning: /has 170 characters/ },
];

async function notes(page) {
  return page.evaluate(() => ({
    warning: document.getElementById('warning').hidden ? null : document.getElementById('warning').textContent,
    hint: !document.getElementById('hint').hidden,
    hits: Number(document.getElementById('status').dataset.hits),
  }));
}

test('the page warns where the command line does, and offers every-term mode for a text with ;', async () => {
  for (const { hash, mode, query, warning } of WARNINGS) {
    const page = await openPage(hash);
    const seen = await notes(page);
    assert.equal(seen.hits, libraryHits({ mode, text: query }).length, hash);
    if (warning === null) assert.equal(seen.warning, null, hash);
    else assert.match(seen.warning ?? '', warning, hash);
    assert.equal(seen.hint, false, `${hash}: no hint`);
    await page.close();
  }
  // A text holding ';' that finds nothing: the hint, whose button switches to every-term mode.
  const page = await openPage('#search=love;night');
  assert.deepEqual(await notes(page), { warning: null, hint: true, hits: 0 });
  await page.getByRole('button', { name: 'Match every term' }).click();
  await doneCounting(page);
  const seen = await notes(page);
  assert.equal(seen.hits, libraryHits({ mode: 'filter', text: 'love;night' }).length);
  assert.match(seen.warning, /‘night’ after the last ‘;’ takes no part/);
  assert.equal(seen.hint, false);
  assert.equal(await page.evaluate(() => location.hash), '#filter=love;night');
  assert.equal(await page.evaluate(() => document.activeElement.id), 'query');
  await page.screenshot({ path: path.join(screenshots, 'warning-filter-1280.png') });
  // A text with ';' that finds something gets no hint, nor one without ';' that finds nothing.
  for (const hash of ['#search=no such text', '#search=|1|0|']) {
    const other = await openPage(hash);
    assert.equal((await notes(other)).hint, false, hash);
    await other.close();
  }
  await page.close();
  assert.deepEqual(problems, []);
});

test('the skip link and an address naming no query leave the search as it is', async () => {
  const page = await openPage('#search=night');
  await page.focus('.skip');
  await page.keyboard.press('Enter');
  assert.equal(await page.evaluate(() => document.activeElement.id), 'main');
  assert.equal(await page.evaluate(() => location.hash), '#search=night');
  // A hand-made '#main' (or any address naming no query) leaves the query and its hits: this
  // listener runs after the page's own.
  await page.evaluate(() => new Promise((resolve) => {
    addEventListener('hashchange', () => setTimeout(resolve, 0), { once: true });
    location.hash = '#main';
  }));
  assert.equal(await page.evaluate(() => document.getElementById('query').value), 'night');
  assert.equal((await shown(page)).hits, libraryHits({ mode: 'search', text: 'night' }).length);
  // An address naming a query still takes it.
  await page.evaluate(() => { location.hash = '#filter=love;'; });
  await page.waitForFunction(() => document.getElementById('query').value === 'love;');
  await doneCounting(page);
  assert.equal((await shown(page)).hits, libraryHits({ mode: 'filter', text: 'love;' }).length);
  await page.close();
  assert.deepEqual(problems, []);
});

test('figures show as the command line shows them, grouped as the reader\'s locale groups them', async () => {
  const expected = [
    ['en-US', ['0', 'Tove Lark', 'Wake Me Tonight', '1,506', '302', '1', '29', '2,118,242', '883,369,738']],
    ['de-DE', ['0', 'Tove Lark', 'Wake Me Tonight', '1.506', '302', '1', '29', '2.118.242', '883.369.738']],
    ['fr-FR', ['0', 'Tove Lark', 'Wake Me Tonight', '1\u202f506', '302', '1', '29', '2\u202f118\u202f242', '883\u202f369\u202f738']],
  ];
  for (const [locale, cells] of expected) {
    const within = await browser.newContext({ viewport: { width: 1280, height: 900 }, locale });
    const page = await openPage('#search=Wake Me Tonight', within);
    const first = await page.evaluate(() => [...document.querySelector('#hits tbody tr').children].map((cell) => cell.textContent));
    assert.deepEqual(first, cells, locale);
    await within.close();
  }
  assert.deepEqual(problems, []);
});

const WIDTHS = [320, 390, 768, 1024, 1280];
const SCHEMES = ['light', 'dark'];

async function viewAt(width, colorScheme, hash, height = width < 800 ? 844 : 900) {
  const within = await browser.newContext({ viewport: { width, height }, colorScheme, locale: 'en-US' });
  const page = await openPage(hash, within);
  return { page, within };
}

// What spills at this width: cells whose content is wider than they are, text of one cell over
// another's, words of a name broken across lines, and the page wider than the window.
async function spills(page) {
  return page.evaluate(() => {
    const shown = (element) => {
      for (let at = element; at; at = at.parentElement) if (at.clientWidth <= 1 && at.clientHeight <= 1) return false;
      return true;
    };
    const name = (cell) => `${cell.closest('tr').querySelector('th').textContent}: ${JSON.stringify(cell.textContent)}`;
    const cells = [...document.querySelectorAll('#hits th, #hits td')].filter(shown);
    const overflowing = cells.filter((cell) => cell.scrollWidth > cell.clientWidth).map((cell) => `${name(cell)} ${cell.scrollWidth} > ${cell.clientWidth}`);
    // The boxes of each cell's lines of text, and of its label where it shows one.
    const textBoxes = (cell) => {
      const range = document.createRange();
      range.selectNodeContents(cell);
      const boxes = [...range.getClientRects()];
      const label = getComputedStyle(cell, '::before');
      if (label.content !== 'none' && label.display === 'block') {
        const box = cell.getBoundingClientRect();
        boxes.push(new DOMRect(box.left, box.top, box.width, parseFloat(label.height) || 0));
      }
      return boxes.filter((box) => box.width > 0 && box.height > 0);
    };
    const overlapping = [];
    for (const tr of document.querySelectorAll('#hits tr')) {
      const cellsOfRow = [...tr.children].filter(shown).map((cell) => [cell, textBoxes(cell)]);
      for (let i = 0; i < cellsOfRow.length; ++i) {
        for (let j = i + 1; j < cellsOfRow.length; ++j) {
          const meet = cellsOfRow[i][1].some((a) => cellsOfRow[j][1].some((b) => Math.min(a.right, b.right) - Math.max(a.left, b.left) > 0.5
            && Math.min(a.bottom, b.bottom) - Math.max(a.top, b.top) > 0.5));
          if (meet) overlapping.push(`${name(cellsOfRow[i][0])} and ${JSON.stringify(cellsOfRow[j][0].textContent)}`);
        }
      }
    }
    // A word on more than one line is broken inside.
    const broken = [];
    for (const cell of document.querySelectorAll('#hits td.performer, #hits td.title')) {
      const walker = document.createTreeWalker(cell, NodeFilter.SHOW_TEXT);
      for (let node = walker.nextNode(); node; node = walker.nextNode()) {
        for (const word of node.data.matchAll(/\S+/g)) {
          const range = document.createRange();
          range.setStart(node, word.index);
          range.setEnd(node, word.index + word[0].length);
          const lines = new Set([...range.getClientRects()].map((rect) => Math.round(rect.top)));
          if (lines.size > 1) broken.push(`${name(cell)}: ${word[0]}`);
        }
      }
    }
    const header = document.querySelector('header');
    const headerSpills = [...header.querySelectorAll('*')].filter((element) => shown(element) && element.scrollWidth > element.clientWidth + 1
      && getComputedStyle(element).display !== 'inline').map((element) => element.id || element.tagName);
    return {
      rows: document.querySelectorAll('#hits tbody tr').length,
      overflowing,
      overlapping,
      broken,
      headerSpills,
      pageWidth: document.documentElement.scrollWidth,
      windowWidth: innerWidth,
    };
  });
}

test('from 320 px to a wide screen, in both schemes: nothing spills, nothing overlaps, no sideways scrolling', async (t) => {
  for (const width of WIDTHS) {
    for (const scheme of SCHEMES) {
      const { page, within } = await viewAt(width, scheme, '#search=night');
      const seen = await spills(page);
      const what = `${width} px, ${scheme}`;
      assert.equal(seen.rows, 100, what);
      assert.deepEqual(seen.overflowing, [], `${what}: cells whose content spills`);
      assert.deepEqual(seen.overlapping, [], `${what}: cells over each other`);
      assert.deepEqual(seen.broken, [], `${what}: names broken inside a word`);
      assert.deepEqual(seen.headerSpills, [], `${what}: the header`);
      assert.ok(seen.pageWidth <= seen.windowWidth, `${what}: the page is ${seen.pageWidth} px wide`);
      const file = path.join(screenshots, `search-night-${width}-${scheme}.png`);
      await page.screenshot({ path: file });
      t.diagnostic(`${what}: 100 rows, nothing spills; ${file}`);
      await within.close();
    }
  }
  assert.deepEqual(problems, []);
});

test('with a phone\'s keyboard open, the search box stays in view and the header scrolls away', async () => {
  // 390 px wide and 380 px high: what a phone leaves the page while its keyboard is open.
  const { page, within } = await viewAt(390, 'light', '#search=night', 380);
  await page.getByLabel('Search the chart').focus();
  await page.keyboard.type(' ');
  await page.keyboard.press('Backspace');
  const box = await page.getByLabel('Search the chart').boundingBox();
  assert.ok(box.x >= 0 && box.y >= 0 && box.x + box.width <= 390 && box.y + box.height <= 380, JSON.stringify(box));
  // Scrolled down, the hits have the whole window: the header does not stay over them.
  await page.mouse.wheel(0, 1500);
  await page.waitForFunction(() => scrollY > 1000);
  const header = await page.evaluate(() => document.querySelector('header').getBoundingClientRect().bottom);
  assert.ok(header <= 0, `the header's foot at ${header} px`);
  await within.close();
  assert.deepEqual(problems, []);
});

test('axe-core finds no violation at 390, 768 and 1,280 px, in both schemes, with hits and with none', async (t) => {
  const axeSource = await readFile(createRequire(import.meta.url).resolve('axe-core/axe.min.js'), 'utf8');
  const found = [];
  for (const width of [390, 768, 1280]) {
    for (const scheme of SCHEMES) {
      for (const hash of ['#search=night', '#search=no such text anywhere', '#filter=love;night']) {
        const { page, within } = await viewAt(width, scheme, hash);
        await page.addScriptTag({ content: axeSource });
        const result = await page.evaluate(async () => {
          const { violations, passes, incomplete } = await window.axe.run(document);
          return {
            version: window.axe.version,
            passes: passes.length,
            incomplete: incomplete.map((rule) => rule.id),
            violations: violations.map((rule) => `${rule.id} (${rule.impact}): ${rule.help}; ${rule.nodes.slice(0, 3).map((node) => node.target.join(' ')).join(', ')}`),
          };
        });
        t.diagnostic(`axe-core ${result.version}, ${width} px, ${scheme}, ${hash}: ${result.violations.length} violations, ${result.passes} rules passed, incomplete: ${result.incomplete.join(' ') || 'none'}`);
        found.push(...result.violations.map((violation) => `${width} px ${scheme} ${hash}: ${violation}`));
        await within.close();
      }
    }
  }
  assert.deepEqual(found, []);
  assert.deepEqual(problems, []);
});

// The npm package as a user gets it: the tarball the build packed, installed offline into a
// scratch project; a Node script that imports "tuneledger" and pages through a search; a TypeScript
// file using every export, type-checked with tsc --strict (and a wrong one that must fail); and a
// page without a bundler, in chromium, that imports the module through an import map. The
// transcripts go to the test's output and to transcript.txt in the scratch project.
import assert from 'node:assert/strict';
import { execFile } from 'node:child_process';
import { appendFile, mkdir, readFile, readdir, rm, writeFile } from 'node:fs/promises';
import path from 'node:path';
import { test } from 'node:test';
import { promisify } from 'node:util';

import { serve } from './static_server.mjs';

const run = promisify(execFile);
const tarball = process.env.TUNELEDGER_NPM_TARBALL;
const scratch = process.env.TUNELEDGER_PACKAGE_CHECK_DIR;
const npm = process.env.TUNELEDGER_NPM || 'npm';
const header = process.env.TUNELEDGER_HEADER;
const tsc = path.join(import.meta.dirname, 'node_modules', 'typescript', 'bin', 'tsc');
if (!tarball || !scratch || !header) throw new Error('TUNELEDGER_NPM_TARBALL, TUNELEDGER_PACKAGE_CHECK_DIR and TUNELEDGER_HEADER name the build (ctest sets them)');
const transcript = path.join(scratch, 'transcript.txt');

// Runs a command in the scratch project; its transcript is kept. Resolves to { code, stdout, stderr }.
async function inScratch(t, file, args, shown) {
  let result;
  try {
    result = { code: 0, ...(await run(file, args, { cwd: scratch, env: { ...process.env, npm_config_update_notifier: 'false' } })) };
  } catch (error) {
    result = { code: error.code, stdout: error.stdout ?? '', stderr: error.stderr ?? String(error) };
  }
  const text = `$ ${shown}\n${result.stdout}${result.stderr}(exit ${result.code})\n\n`;
  await appendFile(transcript, text);
  for (const line of text.trimEnd().split('\n')) t.diagnostic(line);
  return result;
}

async function headerVersion() {
  const text = await readFile(header, 'utf8');
  const part = (name) => new RegExp(`^#define TUNELEDGER_VERSION_${name} ([0-9]+)$`, 'm').exec(text)[1];
  return `${part('MAJOR')}.${part('MINOR')}.${part('PATCH')}`;
}

// Uses every export of the package, with the types a caller would write down.
const TYPESCRIPT = `import {
  LAST_INDEX, LONGEST_FILTER, LONGEST_TEXT, NOT_FOUND, OUT_OF_RANGE, RESULT_UNITS, TuneLedger,
  charOfByte, defaultModuleUrl, displayPieces, displayText, entryBytes, load, queryOf, simdSupported,
} from 'tuneledger';
import type { DisplayPiece, Hit, HitOptions, ModuleSource } from 'tuneledger';

const source: ModuleSource = new URL('./node_modules/tuneledger/tuneledger.wasm', import.meta.url);
const tl: TuneLedger = await load(source);
const fromBeside: TuneLedger = await load();
const entry: string = tl.pick(LAST_INDEX);
const none: typeof OUT_OF_RANGE = OUT_OF_RANGE;
const answer: string = tl.searchText(queryOf('Björn'), 0);
const passed: string = tl.filter('love;night;', 0);
const nullText: string = tl.searchText(null) + tl.filter(undefined, 5);
const options: HitOptions = { filter: true, from: 0 };
const hits: Hit[] = [...tl.hits('love;', options), ...tl.hits('night', null), ...tl.hits('night')];
const pieces: DisplayPiece[] = displayPieces(entryBytes(entry));
const shown: string = displayText(entry) + charOfByte(0x80) + pieces.map((piece) => piece.text).join('');
const limits: number = LONGEST_TEXT + LONGEST_FILTER + RESULT_UNITS;
const memory: number = fromBeside.memoryBytes;
const kernel: string = fromBeside.kernel + String(simdSupported());
const beside: URL = defaultModuleUrl();
const found: boolean = answer !== NOT_FOUND && passed !== NOT_FOUND;
const made = new TuneLedger(await WebAssembly.instantiate(await WebAssembly.compile(new ArrayBuffer(0)), {}));
console.log(none, nullText, hits.length, shown, limits, memory, kernel, beside, found, made);
`;

// Calls the types must refuse: each line is one error.
const WRONG = `import { load, LAST_INDEX } from 'tuneledger';
const tl = await load();
tl.pick('4');
tl.searchText(46547);
tl.hits('night', { start: 5 });
const last: 11082 = LAST_INDEX;
tl.filter('love;', '0');
`;

test('npm install of the packed tarball, a Node script paging a search, and tsc --strict', async (t) => {
  await rm(scratch, { recursive: true, force: true });
  await mkdir(scratch, { recursive: true });
  await writeFile(path.join(scratch, 'package.json'), JSON.stringify({ name: 'tuneledger-check', private: true, type: 'module' }, null, 2));

  // Offline: the package needs nothing from a registry.
  const install = await inScratch(t, npm, ['install', '--offline', '--no-audit', '--no-fund', tarball], `npm install --offline ${path.basename(tarball)}`);
  assert.equal(install.code, 0, install.stderr);
  const installed = path.join(scratch, 'node_modules', 'tuneledger');
  assert.deepEqual((await readdir(installed)).sort(), ['README.md', 'index.d.ts', 'package.json', 'tuneledger-simd128.wasm', 'tuneledger.mjs', 'tuneledger.wasm']);
  const manifest = JSON.parse(await readFile(path.join(installed, 'package.json'), 'utf8'));
  assert.equal(manifest.name, 'tuneledger');
  assert.equal(manifest.version, await headerVersion());
  assert.equal(path.basename(tarball), `tuneledger-${manifest.version}.tgz`);
  assert.deepEqual(manifest.exports['.'], { types: './index.d.ts', default: './tuneledger.mjs' });
  assert.equal(manifest.types, './index.d.ts');
  assert.deepEqual(manifest.files.sort(), ['README.md', 'index.d.ts', 'tuneledger-simd128.wasm', 'tuneledger.mjs', 'tuneledger.wasm']);
  assert.equal(manifest.engines.node, '>=20');
  assert.doesNotMatch(await readFile(path.join(installed, 'tuneledger.mjs'), 'utf8'), /@TUNELEDGER_/);
  assert.doesNotMatch(await readFile(path.join(installed, 'index.d.ts'), 'utf8'), /@TUNELEDGER_/);

  // Node: the bare name, load() with no argument, and paging through every hit of 'love'.
  await writeFile(path.join(scratch, 'love.mjs'), `import { load, NOT_FOUND } from 'tuneledger';
const tl = await load();
let count = 0;
for (let start = 0; ; ) {
  const answer = tl.searchText('love', start);
  if (answer === NOT_FOUND) break;
  const index = Number(answer.slice(0, answer.indexOf('-')));
  if (count < 5) console.log(answer);
  ++count;
  start = index + 1;
}
console.log(\`\${count} hits of 'love', the same as hits(): \${count === [...tl.hits('love')].length}\`);
`);
  const love = await inScratch(t, process.execPath, ['love.mjs'], 'node love.mjs');
  assert.equal(love.code, 0, love.stderr);
  const lines = love.stdout.trimEnd().split('\n');
  assert.match(lines[0], /^\d+-[^|]*\|[^|]*love/i);
  assert.match(lines.at(-1), /^\d+ hits of 'love', the same as hits\(\): true$/);

  // TypeScript, strict, against the package's own declarations.
  await writeFile(path.join(scratch, 'tsconfig.json'), JSON.stringify({
    compilerOptions: { strict: true, noEmit: true, target: 'es2022', module: 'nodenext', moduleResolution: 'nodenext', lib: ['es2022', 'dom'], types: [] },
    files: ['check.ts'],
  }, null, 2));
  await writeFile(path.join(scratch, 'check.ts'), TYPESCRIPT);
  const checked = await inScratch(t, process.execPath, [tsc, '--noEmit', '--strict', '-p', 'tsconfig.json'], 'tsc --noEmit --strict -p tsconfig.json');
  assert.equal(checked.code, 0, checked.stdout);
  await writeFile(path.join(scratch, 'wrong.ts'), WRONG);
  await writeFile(path.join(scratch, 'tsconfig.wrong.json'), JSON.stringify({ extends: './tsconfig.json', files: ['wrong.ts'] }));
  const wrong = await inScratch(t, process.execPath, [tsc, '--noEmit', '--strict', '-p', 'tsconfig.wrong.json'], 'tsc --noEmit --strict -p tsconfig.wrong.json  (must fail)');
  assert.notEqual(wrong.code, 0);
  const errorLines = new Set([...wrong.stdout.matchAll(/^wrong\.ts\((\d+),/gm)].map((match) => Number(match[1])));
  assert.deepEqual([...errorLines].sort((a, b) => a - b), [3, 4, 5, 6, 7], wrong.stdout);
});

test('a page without a bundler loads the installed package in chromium', async (t) => {
  let chromium;
  try {
    ({ chromium } = await import('playwright-core'));
  } catch {
    throw new Error('playwright-core is missing: run tools/setup.sh wasm (npm ci in tests/web)');
  }
  await writeFile(path.join(scratch, 'index.html'), `<!doctype html>
<html lang="en"><head><meta charset="utf-8"><title>tuneledger from npm</title>
<script type="importmap">{"imports": {"tuneledger": "./node_modules/tuneledger/tuneledger.mjs"}}</script>
<script type="module">
import { load, LAST_INDEX } from 'tuneledger';
const byUrl = await load(new URL('./node_modules/tuneledger/tuneledger.wasm', import.meta.url));
const beside = await load();
document.body.dataset.answer = JSON.stringify([byUrl.pick(4), beside.searchText('(X124)'), LAST_INDEX]);
</script></head><body></body></html>
`);
  const site = await serve(scratch);
  const browser = await chromium.launch({ executablePath: process.env.TUNELEDGER_CHROMIUM || '/usr/bin/chromium', args: ['--no-sandbox', '--disable-gpu'] });
  try {
    const page = await browser.newPage();
    const errors = [];
    page.on('pageerror', (error) => errors.push(error.message));
    await page.goto(`${site.origin}/index.html`);
    await page.waitForSelector('body[data-answer]', { state: 'attached' });
    const entry4 = 'Hidden Wolves |Shake Me Down|1223|186|1|(x124)|2905678|718865961';
    assert.deepEqual(JSON.parse(await page.getAttribute('body', 'data-answer')), [entry4, `4-${entry4}`, 11081]);
    assert.deepEqual(errors, []);
    t.diagnostic('chromium: the import map page loaded the package by URL and by default');
  } finally {
    await browser.close();
    await site.close();
  }
});

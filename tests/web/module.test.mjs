// tuneledger.mjs and a build of the module under Node: the shared case table, the unusual inputs
// and many queries against the reference model (compiled to WebAssembly as tuneledger_cases.wasm),
// the three ways to load the module, and a module that takes no heap. CTest runs it once for each
// build: TUNELEDGER_MODULE names the file (tuneledger.wasm, tuneledger-simd128.wasm) and
// TUNELEDGER_KERNEL the scan kernel it must run (portable, simd128).
import assert from 'node:assert/strict';
import { readFile } from 'node:fs/promises';
import path from 'node:path';
import { test } from 'node:test';
import { pathToFileURL } from 'node:url';

import { caseTable, functionNames, referenceModel, webDir } from './wasm_support.mjs';

const moduleUrl = pathToFileURL(path.join(webDir, 'tuneledger.mjs'));
const wasmPath = path.join(webDir, process.env.TUNELEDGER_MODULE || 'tuneledger.wasm');
const expectedKernel = process.env.TUNELEDGER_KERNEL || 'portable';
const { load, NOT_FOUND, OUT_OF_RANGE, displayText, queryOf, entryBytes } = await import(moduleUrl);
const tl = await load(wasmPath);
const model = await referenceModel();

function ask(call, text, number) {
  if (call === 0) return tl.pick(number);
  return call === 1 ? tl.searchText(text, number) : tl.filter(text, number);
}

test('loads from a path, a file URL, the bytes and a compiled module', async () => {
  const bytes = await readFile(wasmPath);
  const sources = [wasmPath, pathToFileURL(wasmPath), pathToFileURL(wasmPath).href, bytes, bytes.buffer.slice(bytes.byteOffset, bytes.byteOffset + bytes.length), await WebAssembly.compile(bytes)];
  for (const source of sources) {
    const loaded = await load(source);
    assert.equal(loaded.pick(4), 'Hidden Wolves |Shake Me Down|1223|186|1|(x124)|2905678|718865961');
  }
  // Without an argument: tuneledger.wasm beside tuneledger.mjs.
  assert.equal((await load()).searchText('|46547|', 0), '11081-Mara Dunmore |40 Loves|1|0|167|0|46547|46547');
  await assert.rejects(load(path.join(webDir, 'no-such-module.wasm')));
});

test('the build runs its own kernel; load() takes the SIMD build where the engine validates SIMD', async (t) => {
  t.diagnostic(`${path.basename(wasmPath)} runs the ${tl.kernel} kernel`);
  assert.equal(tl.kernel, expectedKernel);
  // Node 20 runs WebAssembly SIMD.
  assert.equal((await load()).kernel, 'simd128');
  // An engine that refuses it gets the portable build.
  const validate = WebAssembly.validate;
  WebAssembly.validate = () => false;
  try {
    assert.equal((await load()).kernel, 'portable');
  } finally {
    WebAssembly.validate = validate;
  }
});

test('every case of the shared list, unusual input included, answers as expected and as the model', async () => {
  const rows = await caseTable();
  assert.ok(rows.length > 50);
  for (const row of rows) {
    const what = row.description;
    const answer = ask(row.call, row.text, row.number);
    assert.equal(answer, row.expected, what);
    assert.equal(answer, row.model, what);
    if (row.ending !== null) assert.ok(answer.endsWith(row.ending), what);
  }
});

test('JavaScript values the C calls never see', () => {
  const entry4 = tl.pick(4);
  const cases = [
    // A string holding NUL ends there, as a C text does.
    [() => tl.searchText('(x124)\0(x29)', 0), `4-${entry4}`],
    [() => tl.searchText('\0love', 5), `5-${tl.pick(5)}`],
    [() => tl.filter('love;\0no such term;', 0), model.answer(2, 'love;', 0)],
    // null and undefined are the null text; other values are made strings.
    [() => tl.searchText(null, 3), `3-${tl.pick(3)}`],
    [() => tl.searchText(undefined, 3), `3-${tl.pick(3)}`],
    [() => tl.filter(undefined, 11081), `11081-${tl.pick(11081)}`],
    [() => tl.searchText(46547, 0), model.answer(1, '46547', 0)],
    // Numbers beyond int32 stay beyond: no wrap-around onto a real entry.
    [() => tl.pick(2 ** 32), OUT_OF_RANGE],
    [() => tl.pick(2 ** 32 + 4), OUT_OF_RANGE],
    [() => tl.pick(-(2 ** 32)), OUT_OF_RANGE],
    [() => tl.pick(Infinity), OUT_OF_RANGE],
    [() => tl.pick(4.9), entry4],
    [() => tl.pick('4'), entry4],
    [() => tl.searchText('(x124)', -(2 ** 40)), `4-${entry4}`],
    [() => tl.searchText('', 2 ** 32), NOT_FOUND],
    [() => tl.searchText('', -Infinity), `0-${tl.pick(0)}`],
    // Texts longer than the module's input: cut without changing the answer.
    [() => tl.searchText('a'.repeat(20000), 0), NOT_FOUND],
    [() => tl.filter(';'.repeat(2999), 9), `9-${tl.pick(9)}`],
    [() => tl.filter(';'.repeat(3000), 9), NOT_FOUND],
    [() => tl.filter(';'.repeat(100000), 9), NOT_FOUND],
    // A character beyond the first plane is two units: 2999 characters of them still count.
    [() => tl.filter('\u{1F600};' + '\u{1F600}'.repeat(2997), 0), `191-${tl.pick(191)}`],
    [() => tl.filter('\u{1F600};' + '\u{1F600}'.repeat(2998), 0), NOT_FOUND],
  ];
  for (const [call, expected] of cases) assert.equal(call(), expected, call.toString());
  assert.throws(() => tl.pick(NaN), RangeError);
  assert.throws(() => tl.searchText('x', 'start'), RangeError);
});

// A seeded generator, so a failure repeats.
function generator(seed) {
  let state = seed >>> 0;
  return (below) => {
    state = (Math.imul(state, 1664525) + 1013904223) >>> 0;
    return Math.floor((state / 2 ** 32) * below);
  };
}

function modelHits(call, text, from = 0) {
  const hits = [];
  for (let start = from; ; ) {
    const answer = model.answer(call, text, start);
    if (answer === NOT_FOUND) return hits;
    const index = Number(answer.slice(0, answer.indexOf('-')));
    hits.push(index);
    start = index + 1;
  }
}

test('paging through every hit of texts and filters gives the model\'s hits', () => {
  const texts = ['love', 'NIGHT', '|1|0|', '(x1)', 'e', '\u00c3\u00a9', '?', 's (', '3|0|', queryOf('Björn'), '(x124)', '|46547|', 'zz'];
  const filters = ['love;night;', 'Love;', 'the;|1|;', 'e;a;o;', ';;', 'no ; terms', '\u00c3;|0|;', queryOf('ö') + ';'];
  let total = 0;
  for (const [call, queries] of [[1, texts], [2, filters]]) {
    for (const query of queries) {
      const hits = [...tl.hits(query, { filter: call === 2 })];
      assert.deepEqual(hits.map((hit) => hit.index), modelHits(call, query), JSON.stringify(query));
      for (const { index, entry } of hits.slice(0, 50)) assert.equal(entry, tl.pick(index));
      total += hits.length;
    }
  }
  assert.ok(total > 20000);
  // From a later entry, and from beyond either end.
  assert.deepEqual([...tl.hits('love', { from: 5000 })].map((hit) => hit.index), modelHits(1, 'love', 5000));
  assert.deepEqual([...tl.hits('love;', { filter: true, from: -7 })].map((hit) => hit.index), modelHits(2, 'love;', 0));
  assert.deepEqual([...tl.hits('', { from: 11082 })], []);
  assert.equal([...tl.hits('')].length, 11082);
});

test('random pieces of entries, in random case and from random starts, answer as the model', () => {
  const random = generator(20261210);
  const flipCase = (text) => [...text].map((c) => (random(2) ? c.toUpperCase() : c.toLowerCase())).join('');
  const piece = () => {
    const entry = tl.pick(random(11084));
    const from = random(entry.length);
    return entry.slice(from, from + 1 + random(8));
  };
  for (let i = 0; i < 3000; ++i) {
    const text = random(4) ? flipCase(piece()) : piece();
    const start = random(5) ? random(11084) : random(12000) - 500;
    assert.equal(tl.searchText(text, start), model.answer(1, text, start), JSON.stringify([text, start]));
    const terms = Array.from({ length: 1 + random(3) }, piece).join(';') + (random(4) ? ';' : '');
    assert.equal(tl.filter(terms, start), model.answer(2, terms, start), JSON.stringify([terms, start]));
    const index = random(11200) - 50;
    assert.equal(tl.pick(index), model.answer(0, null, index));
  }
});

test('entries show as the command line shows them', () => {
  const cases = [
    [queryOf('Björn'), 'Björn'],
    ['\u00c3\u00a9', 'é'],
    ['Indigo |\u00eb\u00b4\u201e', 'Indigo |\ubd04'],
  ];
  for (const [query, shown] of cases) {
    const hit = tl.searchText(query, 0);
    assert.notEqual(hit, NOT_FOUND);
    assert.ok(displayText(hit).includes(shown), `${displayText(hit)} holds ${shown}`);
  }
  // A byte that starts no well-formed sequence stays its code-page character: "Se\xc3?orita".
  const broken = tl.searchText('Se\u00c3?orita', 0);
  assert.ok(displayText(broken).includes('Se\u00c3?orita'));
  // Every character the library gives maps back to the byte it stands for.
  for (let index = 0; index <= 11081; ++index) {
    const entry = tl.pick(index);
    const bytes = entryBytes(entry);
    assert.equal(bytes.length, entry.length);
    assert.equal(model.answer(0, null, index), entry);
  }
});

test('the module imports nothing and holds no allocator; calls leave its memory as it was', async () => {
  const module = await WebAssembly.compile(await readFile(wasmPath));
  assert.deepEqual(WebAssembly.Module.imports(module), []);
  assert.deepEqual(WebAssembly.Module.exports(module).map((e) => e.name).sort(),
    ['FoodPicker', 'FoodPickerFilter', 'FoodPickerText', 'TuneLedgerInput', 'TuneLedgerInputUnits', 'TuneLedgerKernel', '_initialize', 'memory']);
  const names = functionNames(module);
  assert.ok(names.includes('FoodPickerText'), 'the module keeps its function names');
  const allocators = names.filter((name) => /^(malloc|calloc|realloc|free|sbrk|aligned_alloc|posix_memalign|_Zn[wa]|dlmalloc)/.test(name));
  assert.deepEqual(allocators, []);
  // Nor does anything grow its memory.
  const fresh = await load(wasmPath);
  const before = fresh.memoryBytes;
  for (const text of ['e', 'love', 'a'.repeat(9000)]) [...fresh.hits(text)];
  fresh.filter('e;'.repeat(1499), 0);
  assert.equal(fresh.memoryBytes, before);
});

// tuneledger.mjs and a build of the module under Node: the shared case table, the unusual inputs
// and many queries against the reference model (compiled to WebAssembly as tuneledger_cases.wasm),
// the three ways to load the module, arguments of the wrong kind refused by name, the limits the
// module exports held to the public header, and a module that takes no heap. CTest runs it once
// for each build: TUNELEDGER_MODULE names the file (tuneledger.wasm, tuneledger-simd128.wasm) and
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
const tlModule = await import(moduleUrl);
const { load, NOT_FOUND, OUT_OF_RANGE, displayText, queryOf, entryBytes } = tlModule;
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
    // null and undefined are the null text, which the library takes as the empty text.
    [() => tl.searchText(null, 3), `3-${tl.pick(3)}`],
    [() => tl.searchText(undefined, 3), `3-${tl.pick(3)}`],
    [() => tl.filter(undefined, 11081), `11081-${tl.pick(11081)}`],
    [() => tl.filter(null), `0-${tl.pick(0)}`],
    // Integers beyond int32 stay beyond: no wrap-around onto a real entry.
    [() => tl.pick(2 ** 32), OUT_OF_RANGE],
    [() => tl.pick(2 ** 32 + 4), OUT_OF_RANGE],
    [() => tl.pick(-(2 ** 32)), OUT_OF_RANGE],
    [() => tl.pick(Number.MAX_VALUE), OUT_OF_RANGE],
    [() => tl.pick(-0), tl.pick(0)],
    [() => tl.searchText('(x124)', -(2 ** 40)), `4-${entry4}`],
    [() => tl.searchText('', 2 ** 32), NOT_FOUND],
    [() => tl.searchText('', -Number.MAX_VALUE), `0-${tl.pick(0)}`],
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
});

// Each call with an argument of the wrong kind, the error it must throw, and the words the message
// must hold: the argument's name and what it was given. Nothing is taken as 0, 1 or a string.
const REFUSED = [
  // An index or start that is no number: a TypeError.
  [() => tl.pick(null), TypeError, /pick\(\): index .*null/],
  [() => tl.pick(undefined), TypeError, /pick\(\): index .*undefined/],
  [() => tl.pick(), TypeError, /pick\(\): index/],
  [() => tl.pick(''), TypeError, /pick\(\): index .*string ""/],
  [() => tl.pick('4'), TypeError, /pick\(\): index .*string "4"/],
  [() => tl.pick([]), TypeError, /pick\(\): index .*array/],
  [() => tl.pick([4]), TypeError, /pick\(\): index .*array/],
  [() => tl.pick({}), TypeError, /pick\(\): index .*object/],
  [() => tl.pick(false), TypeError, /pick\(\): index .*boolean false/],
  [() => tl.pick(true), TypeError, /pick\(\): index .*boolean true/],
  [() => tl.pick(4n), TypeError, /pick\(\): index .*bigint 4n/],
  [() => tl.pick(new Number(4)), TypeError, /pick\(\): index .*object/],
  [() => tl.searchText('x', 'start'), TypeError, /searchText\(\): start .*string "start"/],
  [() => tl.searchText('x', null), TypeError, /searchText\(\): start .*null/],
  [() => tl.filter('x;', true), TypeError, /filter\(\): start .*boolean true/],
  // A number that is no integer: a RangeError.
  [() => tl.pick(NaN), RangeError, /pick\(\): index .*NaN/],
  [() => tl.pick(4.9), RangeError, /pick\(\): index .*4\.9/],
  [() => tl.pick(Infinity), RangeError, /pick\(\): index .*Infinity/],
  [() => tl.pick(-Infinity), RangeError, /pick\(\): index .*-Infinity/],
  [() => tl.searchText('', -Infinity), RangeError, /searchText\(\): start .*-Infinity/],
  [() => tl.filter('love;', 0.5), RangeError, /filter\(\): start .*0\.5/],
  // A text that is no string, null or undefined: a TypeError.
  [() => tl.searchText(46547, 0), TypeError, /searchText\(\): text .*number 46547/],
  [() => tl.searchText({ toString: () => 'love' }), TypeError, /searchText\(\): text .*object/],
  [() => tl.searchText(['love']), TypeError, /searchText\(\): text .*array/],
  [() => tl.filter(false), TypeError, /filter\(\): filter .*boolean false/],
  [() => tl.filter(Symbol('love;')), TypeError, /filter\(\): filter .*symbol/],
  // hits() checks its text and options when called, before a hit is asked for.
  [() => tl.hits(7), TypeError, /hits\(\): text .*number 7/],
  [() => tl.hits('night', 'filter'), TypeError, /hits\(\): options .*string "filter"/],
  [() => tl.hits('night', true), TypeError, /hits\(\): options .*boolean true/],
  [() => tl.hits('night', [1]), TypeError, /hits\(\): options .*array/],
  [() => tl.hits('night', { filter: 'yes' }), TypeError, /hits\(\): options\.filter .*string "yes"/],
  [() => tl.hits('night', { filter: 1 }), TypeError, /hits\(\): options\.filter .*number 1/],
  [() => tl.hits('night', { from: '5' }), TypeError, /hits\(\): options\.from .*string "5"/],
  [() => tl.hits('night', { from: 1.5 }), RangeError, /hits\(\): options\.from .*1\.5/],
  [() => tl.hits('night', { start: 5 }), TypeError, /hits\(\): options\.start is no option/],
  // The helpers.
  [() => tlModule.charOfByte(256), RangeError, /charOfByte\(\): byte .*256/],
  [() => tlModule.charOfByte(-1), RangeError, /charOfByte\(\): byte .*-1/],
  [() => tlModule.charOfByte('a'), TypeError, /charOfByte\(\): byte .*string "a"/],
  [() => entryBytes(null), TypeError, /entryBytes\(\): text .*null/],
  [() => queryOf(undefined), TypeError, /queryOf\(\): text .*undefined/],
  [() => tlModule.displayPieces([0x41]), TypeError, /displayPieces\(\): bytes .*array/],
  [() => displayText(4), TypeError, /displayText\(\): entry .*number 4/],
  [() => new tlModule.TuneLedger({}), TypeError, /TuneLedger\(\): instance .*object/],
];

test('arguments of the wrong kind are refused with an error that names them', async () => {
  for (const [call, type, message] of REFUSED) {
    assert.throws(call, (error) => error.constructor === type && message.test(error.message), call.toString());
  }
  // What a call was not refused leaves the module answering as before.
  assert.equal(tl.pick(4), 'Hidden Wolves |Shake Me Down|1223|186|1|(x124)|2905678|718865961');
  // The options hits() takes: none, null, either key alone or both.
  const night = [...tl.hits('night')].map((hit) => hit.index);
  assert.deepEqual([...tl.hits('night', null)].map((hit) => hit.index), night);
  assert.deepEqual([...tl.hits('night', {})].map((hit) => hit.index), night);
  assert.deepEqual([...tl.hits('night', { from: night[1] })].map((hit) => hit.index), night.slice(1));
  assert.deepEqual([...tl.hits('night;', { filter: true })].map((hit) => hit.index), night);
  assert.deepEqual([...tl.hits('night', { filter: false, from: 0 })].map((hit) => hit.index), night);
  // load() refuses what is no module source.
  for (const source of [null, 42, {}, true]) await assert.rejects(load(source), TypeError, String(source));
});

// The header's macros, read from include/tuneledger.h itself.
async function headerMacros() {
  const header = await readFile(process.env.TUNELEDGER_HEADER, 'utf8');
  const macros = {};
  for (const [, name, value] of header.matchAll(/^#define (TUNELEDGER_[A-Z_]+) ([0-9]+)$/gm)) macros[name] = Number(value);
  return macros;
}

test('the limits the module exports are the public header\'s, and the library keeps them', async () => {
  const macros = await headerMacros();
  const limits = { LAST_INDEX: 'TUNELEDGER_LAST_INDEX', LONGEST_TEXT: 'TUNELEDGER_LONGEST_TEXT', LONGEST_FILTER: 'TUNELEDGER_LONGEST_FILTER', RESULT_UNITS: 'TUNELEDGER_RESULT_UNITS' };
  for (const [name, macro] of Object.entries(limits)) {
    assert.equal(typeof macros[macro], 'number', `the header defines ${macro}`);
    assert.equal(tlModule[name], macros[macro], `${name} is ${macro}`);
  }
  const { LAST_INDEX, LONGEST_TEXT, LONGEST_FILTER, RESULT_UNITS } = tlModule;
  // The last entry, and none after it.
  assert.notEqual(tl.pick(LAST_INDEX), OUT_OF_RANGE);
  assert.equal(tl.pick(LAST_INDEX + 1), OUT_OF_RANGE);
  assert.equal([...tl.hits('')].length, LAST_INDEX + 1);
  // The longest entry has LONGEST_TEXT characters: it finds itself, one more character finds nothing.
  let longest = '';
  for (let index = 0; index <= LAST_INDEX; ++index) if (tl.pick(index).length > longest.length) longest = tl.pick(index);
  assert.equal(longest.length, LONGEST_TEXT);
  assert.notEqual(tl.searchText(longest), NOT_FOUND);
  assert.equal(tl.searchText(`${longest}x`), NOT_FOUND);
  // A filter of LONGEST_FILTER characters counts; one more lets nothing pass.
  assert.notEqual(tl.filter(';'.repeat(LONGEST_FILTER)), NOT_FOUND);
  assert.equal(tl.filter(';'.repeat(LONGEST_FILTER + 1)), NOT_FOUND);
  // Every hit fits an answer of RESULT_UNITS units with its terminator.
  assert.ok(`${LAST_INDEX}-${longest}`.length + 1 <= RESULT_UNITS);
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

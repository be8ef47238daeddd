// Pages the workload of bench/builds_workload.txt with each build of the WebAssembly module
// under Node, as bench/builds_driver.cpp does natively: every query through all its hits from
// entry 0, one call a hit. Two ways for each build:
//
//   kernel wasm:NAME            the module's calls themselves, as the native driver makes them:
//                               the text written once into the module's input, and each hit's
//                               index read from the answer in the module's memory
//   kernel wasm:NAME+strings    through tuneledger.mjs, as a JavaScript caller pages: every answer
//                               a JavaScript string, its index parsed from it
//
// Prints "kernel KIND hits N ms BEST" for each (the fastest of RUNS walks), and stops with status
// 1 when the builds' or the ways' hits differ.
//
//   node bench/builds_wasm.mjs WEB_DIR WORKLOAD [RUNS]
import { readFile } from 'node:fs/promises';
import path from 'node:path';
import { pathToFileURL } from 'node:url';

const [webDir, workloadFile, runsText = '7'] = process.argv.slice(2);
const { load, charOfByte, NOT_FOUND } = await import(pathToFileURL(path.join(webDir, 'tuneledger.mjs')));

// One query a line: "text" or "filter", a tab, the bytes, and optionally a tab and a repeat
// count; each byte passed as its Windows-1252 character.
const queries = [];
const bytes = await readFile(workloadFile);
for (let from = 0; from < bytes.length; ) {
  let to = bytes.indexOf(10, from);
  if (to < 0) to = bytes.length;
  const line = bytes.subarray(from, to > from && bytes[to - 1] === 13 ? to - 1 : to);
  from = to + 1;
  if (line.length === 0 || line[0] === 0x23) continue;
  const fields = [];
  for (let at = 0; at <= line.length; ) {
    let tab = line.indexOf(9, at);
    if (tab < 0) tab = line.length;
    fields.push(line.subarray(at, tab));
    at = tab + 1;
  }
  const kind = new TextDecoder().decode(fields[0]);
  const times = fields.length > 2 ? Number(new TextDecoder().decode(fields[2])) : 1;
  const text = Array.from(fields[1], charOfByte).join('').repeat(times);
  queries.push({ filter: kind === 'filter', text });
}

// Through tuneledger.mjs: every answer a string.
function walkStrings(tl) {
  let hits = 0;
  for (const { filter, text } of queries) {
    for (let start = 0; ; ) {
      const answer = filter ? tl.filter(text, start) : tl.searchText(text, start);
      if (answer === NOT_FOUND) break;
      ++hits;
      start = parseInt(answer, 10) + 1;
    }
  }
  return hits;
}

// The module's own calls, on an instance of its own: each text written into the module's input
// once, each hit's index read where the answer lies, up to its '-'.
function moduleWalker(instance) {
  const exports = instance.exports;
  if (typeof exports._initialize === 'function') exports._initialize();
  const input = exports.TuneLedgerInput();
  const memory = new Uint16Array(exports.memory.buffer);
  const DASH = 0x2d;
  return () => {
    let hits = 0;
    for (const { filter, text } of queries) {
      const at = input >>> 1;
      for (let i = 0; i < text.length; ++i) memory[at + i] = text.charCodeAt(i);
      memory[at + text.length] = 0;
      const call = filter ? exports.FoodPickerFilter : exports.FoodPickerText;
      for (let start = 0; ; ) {
        let unit = call(input, start) >>> 1;
        let index = 0;
        for (let digit = memory[unit]; digit >= 0x30 && digit <= 0x39; digit = memory[++unit]) index = index * 10 + digit - 0x30;
        if (memory[unit] !== DASH) break;
        ++hits;
        start = index + 1;
      }
    }
    return hits;
  };
}

function best(walk, runs) {
  let fastest = Infinity;
  for (let run = 0; run < runs; ++run) {
    const start = process.hrtime.bigint();
    walk();
    fastest = Math.min(fastest, Number(process.hrtime.bigint() - start) / 1e6);
  }
  return fastest;
}

let expected;
for (const file of ['tuneledger.wasm', 'tuneledger-simd128.wasm']) {
  // (A tree from before the SIMD build has tuneledger.wasm alone.)
  const bytes = await readFile(path.join(webDir, file)).catch(() => null);
  if (!bytes) continue;
  const module = await WebAssembly.compile(bytes);
  const tl = await load(module);
  const walkModule = moduleWalker(await WebAssembly.instantiate(module, {}));
  const name = `wasm:${tl.kernel ?? 'portable'}`;
  for (const [kind, walk] of [[name, walkModule], [`${name}+strings`, () => walkStrings(tl)]]) {
    const hits = walk();
    expected ??= hits;
    if (hits !== expected) {
      console.error(`${kind} finds ${hits} hits, the first way ${expected}`);
      process.exit(1);
    }
    console.log(`kernel ${kind} hits ${hits} ms ${best(walk, Number(runsText)).toFixed(3)}`);
  }
}

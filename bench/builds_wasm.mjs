// Pages the workload of bench/builds_workload.txt with each build of the WebAssembly module
// under Node, as bench/builds_driver.cpp does natively: every query through all its hits from
// entry 0, one call a hit. Prints "kernel wasm:NAME hits N ms BEST" per build (the fastest of
// RUNS walks), and stops with status 1 when the builds' hits differ.
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

function walk(tl) {
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

let expected;
for (const file of ['tuneledger.wasm', 'tuneledger-simd128.wasm']) {
  // (A tree from before the SIMD build has tuneledger.wasm alone.)
  const tl = await load(path.join(webDir, file)).catch(() => null);
  if (!tl) continue;
  const hits = walk(tl);
  expected ??= hits;
  if (hits !== expected) {
    console.error(`${file} finds ${hits} hits, tuneledger.wasm ${expected}`);
    process.exit(1);
  }
  let best = Infinity;
  for (let run = 0; run < Number(runsText); ++run) {
    const start = process.hrtime.bigint();
    walk(tl);
    best = Math.min(best, Number(process.hrtime.bigint() - start) / 1e6);
  }
  console.log(`kernel wasm:${tl.kernel ?? 'portable'} hits ${hits} ms ${best.toFixed(3)}`);
}

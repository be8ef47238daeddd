// TuneLedger for JavaScript: the library's three calls, compiled to WebAssembly, in Node 20 and in
// browsers. Two builds of the module lie beside this file: tuneledger-simd128.wasm scans with
// WebAssembly SIMD, tuneledger.wasm runs on every engine; load() takes the first where the
// engine validates SIMD, the second elsewhere.
//
// The build fills in the @-names below from the public header's macros (include/tuneledger.h),
// so the limits here are the library's own.
//
//   import { load } from './tuneledger.mjs';
//   const tl = await load();                  // the build beside this file that the engine runs
//   tl.kernel;                                // 'simd128' or 'portable': the scan it runs
//   tl.pick(4);                               // 'Hidden Wolves |Shake Me Down|1223|...'
//   tl.searchText('(x124)', 0);               // '4-Hidden Wolves |Shake Me Down|...'
//   tl.filter('love;night;', 0);              // 'INDEX-ENTRY' or 'NOT FOUND!'
//   for (const { index, entry } of tl.hits('night', { filter: false, from: 0 })) ...
//
// Each call answers with the same string as the C call: an entry, 'INDEX-ENTRY', 'Out of range'
// or 'NOT FOUND!'. Texts are JavaScript strings (UTF-16), as the C calls take them. Entries come
// back one Windows-1252 character per stored byte; see entryBytes() and displayText() to show
// them as the command line does.

const WASI = 'wasi_snapshot_preview1';

// Answers the C calls give besides an entry or a hit.
export const OUT_OF_RANGE = 'Out of range';
export const NOT_FOUND = 'NOT FOUND!';
// The library's limits, from the public header. Entries 0 to LAST_INDEX can be read and searched;
// a search text of more than LONGEST_TEXT characters (the longest entry) is in no entry; a filter
// of more than LONGEST_FILTER characters lets nothing pass; no answer is longer than
// RESULT_UNITS - 1 characters. Characters here are the library's: one per byte of Windows-1252,
// so a text passed through queryOf() counts its UTF-8 bytes.
export const LAST_INDEX = @TUNELEDGER_LAST_INDEX@;
export const LONGEST_TEXT = @TUNELEDGER_LONGEST_TEXT@;
export const LONGEST_FILTER = @TUNELEDGER_LONGEST_FILTER@;
export const RESULT_UNITS = @TUNELEDGER_RESULT_UNITS@;

// A module of a few bytes whose one function uses WebAssembly SIMD (v128.const, i8x16.bitmask).
const SIMD_PROBE = new Uint8Array([
  0x00, 0x61, 0x73, 0x6d, 0x01, 0x00, 0x00, 0x00, // magic, version
  0x01, 0x05, 0x01, 0x60, 0x00, 0x01, 0x7f, // types: () -> i32
  0x03, 0x02, 0x01, 0x00, // one function of that type
  0x0a, 0x18, 0x01, 0x16, 0x00, // code: one body of 22 bytes, no locals
  0xfd, 0x0c, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, // v128.const 0
  0xfd, 0x64, 0x0b, // i8x16.bitmask, end
]);

// Whether this engine runs WebAssembly SIMD, and so tuneledger-simd128.wasm.
export function simdSupported() {
  try {
    return WebAssembly.validate(SIMD_PROBE);
  } catch {
    return false;
  }
}

// The build load() takes without a source: the SIMD one where the engine validates SIMD.
export function defaultModuleUrl() {
  return new URL(simdSupported() ? 'tuneledger-simd128.wasm' : 'tuneledger.wasm', import.meta.url);
}

const INT32_MIN = -0x80000000;
const INT32_MAX = 0x7fffffff;

function isNode() {
  return typeof process === 'object' && process.versions != null && process.versions.node != null;
}

// The module's bytes, or a compiled module, from what the caller gave.
async function moduleSource(source) {
  if (source instanceof WebAssembly.Module) return source;
  if (source instanceof ArrayBuffer || ArrayBuffer.isView(source)) return source;
  if (typeof Response === 'function' && source instanceof Response) return source.arrayBuffer();
  let url = source;
  if (typeof source === 'string') {
    // A string is a URL in a browser; under Node it may also be a file path.
    const isUrl = /^[a-z][a-z0-9+.-]*:/i.test(source) && !/^[a-z]:[\\/]/i.test(source);
    if (isNode() && !isUrl) {
      const { readFile } = await import('node:fs/promises');
      return readFile(source);
    }
    url = new URL(source, typeof location === 'object' ? location.href : import.meta.url);
  }
  if (!(url instanceof URL)) throw new TypeError('load(): give a URL, a path, the bytes or a WebAssembly.Module');
  if (url.protocol === 'file:' && isNode()) {
    const { readFile } = await import('node:fs/promises');
    return readFile(url);
  }
  const response = await fetch(url);
  if (!response.ok) throw new Error(`load(): ${url} answered ${response.status}`);
  return response.arrayBuffer();
}

// The module imports nothing that a call can reach. Should a build ever name a system call, it
// gets one that stops the call with an error rather than a missing import at load time.
function stubImports(module) {
  const imports = {};
  for (const { module: from, name, kind } of WebAssembly.Module.imports(module)) {
    if (kind !== 'function') throw new Error(`tuneledger.wasm imports ${kind} ${from}.${name}`);
    imports[from] ??= {};
    imports[from][name] = () => {
      throw new Error(`tuneledger.wasm called ${from}.${name}`);
    };
  }
  return imports;
}

// What an argument is, for an error message: its type, and a short form of its value.
function described(value) {
  if (value === null) return 'null';
  if (typeof value === 'string') return `the string ${JSON.stringify(value.length > 20 ? `${value.slice(0, 20)}…` : value)}`;
  if (typeof value === 'number' || typeof value === 'boolean') return `${typeof value} ${String(value)}`;
  if (typeof value === 'bigint') return `bigint ${value}n`;
  if (Array.isArray(value)) return 'an array';
  return typeof value === 'object' ? 'an object' : typeof value;
}

// An integer argument of a C call (int32_t): a number that is an integer, else a TypeError (not a
// number) or a RangeError (NaN, a fraction, an infinity), naming the argument. Beyond int32 the
// integer is held at the nearest end: an index above INT32_MAX is out of range like INT32_MAX, a
// start below INT32_MIN searches from 0 like INT32_MIN.
function int32Of(value, what) {
  if (typeof value !== 'number') throw new TypeError(`${what} must be an integer, not ${described(value)}`);
  if (!Number.isInteger(value)) throw new RangeError(`${what} must be an integer, not ${described(value)}`);
  return Math.min(INT32_MAX, Math.max(INT32_MIN, value));
}

// A text argument: a string, or null or undefined for the null text (which the C calls take as the
// empty text). Anything else is a TypeError naming the argument.
function textOf(value, what) {
  if (value === null || value === undefined || typeof value === 'string') return value ?? null;
  throw new TypeError(`${what} must be a string, null or undefined, not ${described(value)}`);
}

const HIT_OPTIONS = new Set(['filter', 'from']);

export class TuneLedger {
  #exports;
  #input; // byte address of the module's input text
  #inputUnits; // its capacity in UTF-16 units, terminator included
  #kernel;
  #written = null; // the text the input holds
  #units = new Uint16Array(0); // the module's memory as UTF-16 units (#read)

  // Use load(); a caller who instantiated tuneledger.wasm itself may pass the instance.
  constructor(instance) {
    if (!(instance instanceof WebAssembly.Instance)) {
      throw new TypeError(`new TuneLedger(): instance must be a WebAssembly.Instance of tuneledger.wasm, not ${described(instance)}`);
    }
    this.#exports = instance.exports;
    if (typeof this.#exports._initialize === 'function') this.#exports._initialize();
    this.#input = this.#exports.TuneLedgerInput();
    this.#inputUnits = this.#exports.TuneLedgerInputUnits();
    this.#kernel = this.#ascii(this.#exports.TuneLedgerKernel());
  }

  // The scan kernel this build of the module runs: 'simd128' (tuneledger-simd128.wasm) or
  // 'portable' (tuneledger.wasm).
  get kernel() {
    return this.#kernel;
  }

  // Entry `index` as stored, or 'Out of range'. `index` is an integer.
  pick(index) {
    return this.#read(this.#exports.FoodPicker(int32Of(index, 'pick(): index')));
  }

  // The first entry from `start` on that contains `text` (A to Z in either case), as
  // 'INDEX-ENTRY', or 'NOT FOUND!'. `text` is a string; null or undefined is the null text, which
  // the library takes as the empty text. `start` is an integer.
  searchText(text, start = 0) {
    return this.#call(this.#exports.FoodPickerText, textOf(text, 'searchText(): text'), int32Of(start, 'searchText(): start'));
  }

  // The first entry from `start` on that contains every ';'-closed term of `filter`, as
  // 'INDEX-ENTRY', or 'NOT FOUND!'. `filter` is a string, null or undefined (the empty filter);
  // `start` is an integer.
  filter(filter, start = 0) {
    return this.#call(this.#exports.FoodPickerFilter, textOf(filter, 'filter(): filter'), int32Of(start, 'filter(): start'));
  }

  // Every hit of `text` (or of the filter `text`, with filter: true) from entry `from` on, in
  // order, as { index, entry }, found by searching again from each hit's index plus one. The
  // arguments are checked at once, before the first hit is asked for. `options` is an object with
  // no other keys than `filter` (a boolean) and `from` (an integer), or null or undefined.
  hits(text, options) {
    const what = textOf(text, 'hits(): text');
    if (options !== null && options !== undefined && (typeof options !== 'object' || Array.isArray(options))) {
      throw new TypeError(`hits(): options must be an object, null or undefined, not ${described(options)}`);
    }
    const { filter = false, from = 0 } = options ?? {};
    for (const key of Object.keys(options ?? {})) {
      if (!HIT_OPTIONS.has(key)) throw new TypeError(`hits(): options.${key} is no option (filter, from)`);
    }
    if (typeof filter !== 'boolean') throw new TypeError(`hits(): options.filter must be a boolean, not ${described(filter)}`);
    return this.#hits(what, filter, int32Of(from, 'hits(): options.from'));
  }

  *#hits(text, filter, from) {
    const call = filter ? this.#exports.FoodPickerFilter : this.#exports.FoodPickerText;
    for (let start = from; ; ) {
      const answer = this.#call(call, text, start);
      const dash = answer.indexOf('-');
      if (answer === NOT_FOUND || dash < 1) return;
      const index = Number(answer.slice(0, dash));
      yield { index, entry: answer.slice(dash + 1) };
      start = index + 1;
    }
  }

  // Bytes of memory the module holds; no call adds to it.
  get memoryBytes() {
    return this.#exports.memory.buffer.byteLength;
  }

  // A search with a checked text (a string or null) and start (an int32).
  #call(operation, text, start) {
    return this.#read(operation(text === null ? 0 : this.#write(text), start));
  }

  // Puts `text` into the module's input, NUL-terminated, and gives its address. The calls decide
  // on at most 3000 characters, 6000 units, of any text, so a longer text is cut at what the input
  // holds without changing an answer.
  #write(text) {
    // Paging asks with the same text again and again, and nothing but this writes the input.
    if (text === this.#written) return this.#input;
    this.#written = text;
    const units = Math.min(text.length, this.#inputUnits - 1);
    const view = new Uint16Array(this.#exports.memory.buffer, this.#input, units + 1);
    for (let i = 0; i < units; ++i) view[i] = text.charCodeAt(i);
    view[units] = 0;
    return this.#input;
  }

  // The NUL-terminated ASCII text at `address` as a string.
  #ascii(address) {
    const memory = new Uint8Array(this.#exports.memory.buffer);
    let text = '';
    for (let at = address; memory[at] !== 0; ++at) text += String.fromCharCode(memory[at]);
    return text;
  }

  // The NUL-terminated UTF-16 answer at `address` as a string. The view of the module's memory
  // is made again only if the memory was replaced (no call grows it; a grown memory leaves the
  // old view empty, which costs less to ask than the memory's buffer); answers hold no
  // surrogates, so decoding them as UTF-16 changes no character.
  #read(address) {
    let memory = this.#units;
    if (memory.length === 0) memory = this.#units = new Uint16Array(this.#exports.memory.buffer);
    const first = address >>> 1;
    let end = first;
    while (memory[end] !== 0) ++end;
    return utf16.decode(memory.subarray(first, end));
  }
}

const utf16 = new TextDecoder('utf-16le');

// Loads the module. `source`: a URL (string or URL object), under Node also a file path, or the
// module's bytes (ArrayBuffer, typed array, Node Buffer), a Response or a WebAssembly.Module.
// Without one, the build beside this file that the engine runs (defaultModuleUrl()).
export async function load(source = defaultModuleUrl()) {
  const loaded = await moduleSource(source);
  const module = loaded instanceof WebAssembly.Module ? loaded : await WebAssembly.compile(loaded);
  const instance = await WebAssembly.instantiate(module, stubImports(module));
  return new TuneLedger(instance);
}

// ---- Showing entries as the command line shows them -----------------------------------------

// The characters of bytes 0x80 to 0x9F in Windows-1252 (five have none and stand for themselves).
const HIGH_CONTROLS = [
  0x20ac, 0x0081, 0x201a, 0x0192, 0x201e, 0x2026, 0x2020, 0x2021, 0x02c6, 0x2030, 0x0160, 0x2039,
  0x0152, 0x008d, 0x017d, 0x008f, 0x0090, 0x2018, 0x2019, 0x201c, 0x201d, 0x2022, 0x2013, 0x2014,
  0x02dc, 0x2122, 0x0161, 0x203a, 0x0153, 0x009d, 0x017e, 0x0178,
];
const BYTE_OF_CHAR = new Map();
for (let byte = 0; byte < 256; ++byte) BYTE_OF_CHAR.set(charOfByte(byte), byte);

// The Windows-1252 character of a byte.
export function charOfByte(byte) {
  if (typeof byte !== 'number') throw new TypeError(`charOfByte(): byte must be an integer, not ${described(byte)}`);
  if (!Number.isInteger(byte) || byte < 0 || byte > 255) throw new RangeError(`charOfByte(): byte must be an integer from 0 to 255, not ${described(byte)}`);
  return String.fromCharCode(byte >= 0x80 && byte <= 0x9f ? HIGH_CONTROLS[byte - 0x80] : byte);
}

// The stored bytes of an entry as the library gives it (one character per byte). A character the
// code page has no byte for becomes '?', as the library does with a caller's text.
export function entryBytes(text) {
  if (typeof text !== 'string') throw new TypeError(`entryBytes(): text must be a string, not ${described(text)}`);
  const bytes = new Uint8Array(text.length);
  for (let i = 0; i < text.length; ++i) bytes[i] = BYTE_OF_CHAR.get(text[i]) ?? 0x3f;
  return bytes;
}

// What a user's text looks like to the library when it is meant to meet stored UTF-8: its UTF-8
// bytes, each as its Windows-1252 character. The command line passes a query the same way.
export function queryOf(text) {
  if (typeof text !== 'string') throw new TypeError(`queryOf(): text must be a string, not ${described(text)}`);
  let query = '';
  for (const byte of new TextEncoder().encode(text)) query += charOfByte(byte);
  return query;
}

// The well-formed UTF-8 sequence at `at`: [code point, length], or null. Overlong forms,
// surrogates and code points above U+10FFFF are not well formed.
function utf8At(bytes, at) {
  const lead = bytes[at];
  if (lead < 0x80) return [lead, 1];
  const length = lead >= 0xc2 && lead <= 0xdf ? 2 : lead >= 0xe0 && lead <= 0xef ? 3 : lead >= 0xf0 && lead <= 0xf4 ? 4 : 0;
  if (length === 0 || at + length > bytes.length) return null;
  let codePoint = lead & (0x7f >> length);
  for (let i = 1; i < length; ++i) {
    const next = bytes[at + i];
    if ((next & 0xc0) !== 0x80) return null;
    codePoint = (codePoint << 6) | (next & 0x3f);
  }
  const smallest = [0, 0, 0x80, 0x800, 0x10000][length];
  if (codePoint < smallest || (codePoint >= 0xd800 && codePoint <= 0xdfff) || codePoint > 0x10ffff) return null;
  return [codePoint, length];
}

// The bytes as pieces of shown text: each well-formed UTF-8 sequence as its character, any other
// byte as its Windows-1252 character. Each piece says which bytes it shows: { text, from, to }.
export function displayPieces(bytes) {
  if (!(bytes instanceof Uint8Array)) throw new TypeError(`displayPieces(): bytes must be a Uint8Array, not ${described(bytes)}`);
  const pieces = [];
  for (let at = 0; at < bytes.length; ) {
    const sequence = utf8At(bytes, at);
    const length = sequence ? sequence[1] : 1;
    pieces.push({ text: sequence ? String.fromCodePoint(sequence[0]) : charOfByte(bytes[at]), from: at, to: at + length });
    at += length;
  }
  return pieces;
}

// An entry as the library gives it, shown as text.
export function displayText(entry) {
  if (typeof entry !== 'string') throw new TypeError(`displayText(): entry must be a string, not ${described(entry)}`);
  return displayPieces(entryBytes(entry))
    .map((piece) => piece.text)
    .join('');
}

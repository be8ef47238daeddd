// Types of tuneledger.mjs: the library's three calls, compiled to WebAssembly, for Node 20 and
// browsers. The build fills in the limits from the public header, include/tuneledger.h.

/** The answer of `pick()` for an index outside 0 to `LAST_INDEX`. */
export declare const OUT_OF_RANGE: 'Out of range';
/** The answer of a search that finds nothing. */
export declare const NOT_FOUND: 'NOT FOUND!';
/** The highest index any call accepts or answers: entries 0 to it can be read and searched. */
export declare const LAST_INDEX: @TUNELEDGER_LAST_INDEX@;
/** The longest entry, in characters: a longer search text is in no entry. */
export declare const LONGEST_TEXT: @TUNELEDGER_LONGEST_TEXT@;
/** The longest filter, in characters, whose terms count: a longer one lets nothing pass. */
export declare const LONGEST_FILTER: @TUNELEDGER_LONGEST_FILTER@;
/** The most UTF-16 code units of any answer of the C calls, terminator included. */
export declare const RESULT_UNITS: @TUNELEDGER_RESULT_UNITS@;

/** Whether this engine validates WebAssembly SIMD, and so runs tuneledger-simd128.wasm. */
export declare function simdSupported(): boolean;
/** The build `load()` takes without a source: tuneledger-simd128.wasm where the engine validates
 *  SIMD, else tuneledger.wasm, both beside tuneledger.mjs. */
export declare function defaultModuleUrl(): URL;

/** A search hit: the entry's index and its text, one Windows-1252 character per stored byte. */
export interface Hit {
  index: number;
  entry: string;
}

export interface HitOptions {
  /** Take the text as a filter of ';'-closed terms (as `filter()` does). Default false. */
  filter?: boolean;
  /** The first entry to search, an integer. Default 0. */
  from?: number;
}

/**
 * The loaded module. Every method answers as the C call does. Integer arguments must be integers
 * (a TypeError for other types, a RangeError for NaN, fractions and infinities); integers beyond
 * the 32-bit range count as its nearest end. Texts must be strings; null and undefined are the
 * null text, which the library takes as the empty text.
 */
export declare class TuneLedger {
  /** Use `load()`; a caller who instantiated tuneledger.wasm itself may pass the instance. */
  constructor(instance: WebAssembly.Instance);
  /** The scan kernel this build of the module runs: 'portable' or 'simd128'. */
  readonly kernel: string;
  /** Entry `index` as stored, or `OUT_OF_RANGE`. */
  pick(index: number): string;
  /** The first entry from `start` on that contains `text` (A to Z in either case), as 'INDEX-ENTRY', or `NOT_FOUND`. */
  searchText(text: string | null | undefined, start?: number): string;
  /** The first entry from `start` on that contains every ';'-closed term of `filter`, as 'INDEX-ENTRY', or `NOT_FOUND`. */
  filter(filter: string | null | undefined, start?: number): string;
  /** Every hit from `options.from` on, in order; the arguments are checked when called. */
  hits(text: string | null | undefined, options?: HitOptions | null): Generator<Hit, void, undefined>;
  /** Bytes of memory the module holds; no call adds to it. */
  readonly memoryBytes: number;
}

/** Where `load()` finds the module (tuneledger.wasm or tuneledger-simd128.wasm): a URL, under Node also a file path, the bytes, a Response or a compiled module. */
export type ModuleSource = string | URL | ArrayBuffer | ArrayBufferView | Response | WebAssembly.Module;

/** Loads the module; without a source, the build beside tuneledger.mjs that the engine runs
 *  (`defaultModuleUrl()`). */
export declare function load(source?: ModuleSource): Promise<TuneLedger>;

/** The Windows-1252 character of a byte (0 to 255). */
export declare function charOfByte(byte: number): string;
/** The stored bytes of an entry as the library gives it; a character with no byte becomes '?'. */
export declare function entryBytes(text: string): Uint8Array;
/** A user's text as the library should see it to meet stored UTF-8: its UTF-8 bytes, each as its Windows-1252 character. */
export declare function queryOf(text: string): string;

/** A piece of shown text and the stored bytes `from` (included) to `to` (excluded) it shows. */
export interface DisplayPiece {
  text: string;
  from: number;
  to: number;
}

/** The bytes as shown text: well-formed UTF-8 as its characters, any other byte as its Windows-1252 character. */
export declare function displayPieces(bytes: Uint8Array): DisplayPiece[];
/** An entry as the library gives it, shown as the command line shows it. */
export declare function displayText(entry: string): string;

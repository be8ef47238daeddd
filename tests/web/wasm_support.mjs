// What the Node tests share: where the build put the modules, the case table and the reference
// model from tuneledger_cases.wasm, and the function names a module carries.
import { readFile } from 'node:fs/promises';

export const webDir = process.env.TUNELEDGER_WEB_DIR;
const casesWasm = process.env.TUNELEDGER_CASES_WASM;
if (!webDir || !casesWasm) throw new Error('TUNELEDGER_WEB_DIR and TUNELEDGER_CASES_WASM name the build (ctest sets them)');

let casesInstance;
async function cases() {
  if (!casesInstance) {
    // The kit's C++ library names a few system calls (writing to a file) it never makes here.
    const module = await WebAssembly.compile(await readFile(casesWasm));
    const imports = {};
    for (const { module: from, name } of WebAssembly.Module.imports(module)) {
      imports[from] ??= {};
      imports[from][name] = () => {
        throw new Error(`tuneledger_cases.wasm called ${from}.${name}`);
      };
    }
    const instance = await WebAssembly.instantiate(module, imports);
    instance.exports._initialize();
    casesInstance = instance.exports;
  }
  return casesInstance;
}

// The NUL-terminated UTF-16 text at `address` (null for address 0).
function text16(exports, address) {
  if (address === 0) return null;
  const memory = new Uint16Array(exports.memory.buffer);
  let end = address >>> 1;
  while (memory[end] !== 0) ++end;
  let text = '';
  for (let at = address >>> 1; at < end; at += 4096) text += String.fromCharCode(...memory.subarray(at, Math.min(end, at + 4096)));
  return text;
}

function text8(exports, address) {
  const memory = new Uint8Array(exports.memory.buffer);
  let end = address;
  while (memory[end] !== 0) ++end;
  return new TextDecoder().decode(memory.subarray(address, end));
}

function textOfUnits(exports, address, units) {
  if (address === 0) return null;
  let text = '';
  for (let at = 0; at < units; at += 4096) {
    text += String.fromCharCode(...new Uint16Array(exports.memory.buffer, address + 2 * at, Math.min(4096, units - at)));
  }
  return text;
}

// Every case of the harness kit's list: the call (0 pick, 1 text, 2 filter), its text (with any
// NUL inside it, or null) and number, the expected answer, the reference model's answer and the
// ending the answer must have (or null).
export async function caseTable() {
  const e = await cases();
  const rows = [];
  for (let row = 0; row < e.CaseCount(); ++row) {
    const call = e.CaseOperation(row);
    const number = e.CaseNumber(row);
    rows.push({
      description: text8(e, e.CaseDescription(row)),
      call,
      text: textOfUnits(e, e.CaseText(row), e.CaseTextUnits(row)),
      number,
      expected: text16(e, e.CaseExpected(row)),
      model: text16(e, e.ReferenceAnswer(call, e.CaseText(row), number)),
      ending: text16(e, e.CaseEnding(row)),
    });
  }
  return rows;
}

// The reference model: answer(call, text, number) as the library must answer.
export async function referenceModel() {
  const e = await cases();
  return {
    answer(call, text, number) {
      let address = 0;
      if (text !== null && text !== undefined) {
        address = e.ReferenceInput(text.length);
        const units = new Uint16Array(e.memory.buffer, address, text.length);
        for (let i = 0; i < text.length; ++i) units[i] = text.charCodeAt(i);
      }
      return text16(e, e.ReferenceAnswer(call, address, number));
    },
  };
}

// The names of a module's functions, from its "name" section.
export function functionNames(module) {
  const [section] = WebAssembly.Module.customSections(module, 'name');
  if (!section) return [];
  const bytes = new Uint8Array(section);
  let at = 0;
  const leb = () => {
    let value = 0;
    for (let shift = 0; ; shift += 7) {
      const byte = bytes[at++];
      value += (byte & 0x7f) * 2 ** shift;
      if (byte < 0x80) return value;
    }
  };
  const names = [];
  while (at < bytes.length) {
    const id = bytes[at++];
    const size = leb();
    const end = at + size;
    if (id === 1) {
      for (let count = leb(); count > 0; --count) {
        leb();
        const length = leb();
        names.push(new TextDecoder().decode(bytes.subarray(at, at + length)));
        at += length;
      }
    }
    at = end;
  }
  return names;
}

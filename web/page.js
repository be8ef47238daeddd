// The search page: asks tuneledger.mjs as the user types, shows the hits 100 rows at a time as
// the user scrolls, and keeps the query in the address (#search=night, #filter=love;night;).
import { displayPieces, entryBytes, load, queryOf } from './tuneledger.mjs';

const PAGE_ROWS = 100;
// Counting the hits beyond the first page goes on in slices this long, so typing stays quick.
const SLICE_MS = 8;

const form = document.getElementById('search');
const input = document.getElementById('query');
const status = document.getElementById('status');
const body = document.querySelector('#hits tbody');
const more = document.getElementById('more');
const empty = document.getElementById('empty');
const numberFormat = new Intl.NumberFormat('en');

// How long each keystroke took to show its first rows: { query, mode, rows, work, ms }, for the
// browser test.
window.tuneledgerTimings = [];

const tl = await load();
// Which build of the module the engine runs (simd128 or portable), for the browser test.
window.tuneledgerKernel = tl.kernel;

// ---- The query and the address -------------------------------------------------------------

function mode() {
  return form.elements.mode.value;
}

function setMode(value) {
  form.elements.mode.value = value;
  document.body.dataset.mode = value;
}

// Characters left readable in the address: ';' and '|' are the point of many queries.
function encodeQuery(text) {
  return encodeURIComponent(text).replace(/%(3B|7C|2C|3A|40|2F)/g, (escape) => decodeURIComponent(escape));
}

function readAddress() {
  const match = /^#(search|filter)=(.*)$/s.exec(location.hash);
  if (!match) return { mode: 'search', text: '' };
  let text = match[2];
  try {
    text = decodeURIComponent(text);
  } catch {
    // A hand-made address with a stray '%': take it as written.
  }
  return { mode: match[1], text };
}

function writeAddress() {
  const text = input.value;
  const hash = text === '' && mode() === 'search' ? '' : `#${mode()}=${encodeQuery(text)}`;
  if (hash !== location.hash) history.replaceState(null, '', hash || location.pathname + location.search);
}

// ---- Marking what matched ------------------------------------------------------------------

// A to Z only, as the library folds.
function fold(text) {
  return text.replace(/[A-Z]/g, (letter) => String.fromCharCode(letter.charCodeAt(0) + 32));
}

// The pieces of the query an entry must hold, as the library reads them: the text, or each
// ';'-closed term of a filter.
function termsOf(query, filter) {
  if (!filter) return query === '' ? [] : [fold(query)];
  return fold(query).split(';').slice(0, -1).filter((term) => term !== '');
}

// For each stored byte of the entry, whether a term covers it.
function marked(entry, terms) {
  const marks = new Uint8Array(entry.length);
  const folded = fold(entry);
  for (const term of terms) {
    for (let at = folded.indexOf(term); at >= 0; at = folded.indexOf(term, at + 1)) marks.fill(1, at, at + term.length);
  }
  return marks;
}

// ---- The table -----------------------------------------------------------------------------

function cell(pieces, marks, className) {
  const td = document.createElement('td');
  if (className) td.className = className;
  let run = '';
  let runMarked = false;
  const flush = () => {
    if (run === '') return;
    if (runMarked) {
      const mark = document.createElement('mark');
      mark.textContent = run;
      td.append(mark);
    } else {
      td.append(run);
    }
    run = '';
  };
  for (const piece of pieces) {
    const isMarked = marks.subarray(piece.from, piece.to).includes(1);
    if (isMarked !== runMarked) {
      flush();
      runMarked = isMarked;
    }
    run += piece.text;
  }
  flush();
  return td;
}

// One row: the index, then performer, title and the six figures, each shown as the command line
// shows stored bytes (UTF-8 where it is well formed, else the Windows-1252 character).
function row({ index, entry }, terms) {
  const tr = document.createElement('tr');
  const th = document.createElement('th');
  th.scope = 'row';
  th.className = 'number';
  th.textContent = index;
  tr.append(th);
  const marks = marked(entry, terms);
  const fields = [[]];
  for (const piece of displayPieces(entryBytes(entry))) {
    if (piece.text === '|') fields.push([]);
    else fields.at(-1).push(piece);
  }
  fields.forEach((pieces, field) => tr.append(cell(pieces, marks, field >= 2 ? 'number' : '')));
  return tr;
}

// ---- Searching -----------------------------------------------------------------------------

// The search under way: its hits so far, how many rows show, and whether every hit is in.
let current = null;

function describe(search) {
  const count = numberFormat.format(search.hits.length);
  const noun = search.hits.length === 1 ? 'hit' : 'hits';
  if (!search.done) return `${count} ${noun} so far, counting…`;
  if (search.filter && search.terms.length === 0 && !search.text.includes(';')) {
    return `${count} ${noun}: no term yet, so every entry passes. End each term with ;`;
  }
  if (search.text === '' && !search.filter) return `All ${count} entries`;
  return `${count} ${noun}`;
}

function showStatus(search) {
  status.textContent = describe(search);
  empty.hidden = !(search.done && search.hits.length === 0);
  status.dataset.hits = search.hits.length;
  status.dataset.state = search.done ? 'done' : 'counting';
}

// Takes hits from the library until `count` are in or `deadline` (performance.now()) passes.
function gather(search, count, deadline = Infinity) {
  while (!search.done && search.hits.length < count) {
    const next = search.iterator.next();
    if (next.done) search.done = true;
    else search.hits.push(next.value);
    if ((search.hits.length & 63) === 0 && performance.now() > deadline) break;
  }
}

function showRows(search, upTo) {
  gather(search, upTo);
  const end = Math.min(upTo, search.hits.length);
  const rows = document.createDocumentFragment();
  for (let i = search.shown; i < end; ++i) rows.append(row(search.hits[i], search.terms));
  body.append(rows);
  search.shown = end;
  showMoreButton(search);
}

// The button below the table stays while hits are left to show or still coming in.
function showMoreButton(search) {
  more.hidden = search.done && search.shown >= search.hits.length;
}

function countTheRest(search) {
  if (search !== current || search.done) return;
  gather(search, Infinity, performance.now() + SLICE_MS);
  showStatus(search);
  showMoreButton(search);
  if (!search.done) setTimeout(() => countTheRest(search), 0);
}

function run(startedAt) {
  const text = input.value;
  const filter = mode() === 'filter';
  const query = queryOf(text);
  const search = { text, filter, terms: termsOf(query, filter), hits: [], shown: 0, done: false, iterator: tl.hits(query, { filter }) };
  current = search;
  body.replaceChildren();
  showRows(search, PAGE_ROWS);
  showStatus(search);
  // From the keystroke to the rows in the page (work), and to the frame that shows them (ms).
  const work = performance.now() - startedAt;
  requestAnimationFrame(() =>
    setTimeout(() => {
      window.tuneledgerTimings.push({ query: text, mode: mode(), rows: search.shown, work, ms: performance.now() - startedAt });
    }, 0),
  );
  setTimeout(() => countTheRest(search), 0);
  if (nearView()) requestAnimationFrame(() => nearView() && showMore());
}

function nearView() {
  return !more.hidden && more.getBoundingClientRect().top < innerHeight + 600;
}

// Rows until the table reaches past the bottom of the window, or every hit shows.
function showMore() {
  if (!current) return;
  showRows(current, current.shown + PAGE_ROWS);
  if (nearView()) requestAnimationFrame(() => nearView() && showMore());
}

// ---- Wiring --------------------------------------------------------------------------------

function fromAddress() {
  const wanted = readAddress();
  input.value = wanted.text;
  setMode(wanted.mode);
  run(performance.now());
}

input.addEventListener('input', (event) => {
  writeAddress();
  run(event.timeStamp);
});
form.addEventListener('change', (event) => {
  if (event.target.name !== 'mode') return;
  setMode(mode());
  writeAddress();
  run(event.timeStamp);
});
form.addEventListener('submit', (event) => {
  event.preventDefault();
  document.getElementById('hits').focus();
});
window.addEventListener('hashchange', fromAddress);
more.addEventListener('click', showMore);
// The next rows come in before the user reaches the end of the table.
new IntersectionObserver((seen) => {
  if (seen.some((entry) => entry.isIntersecting)) showMore();
}, { rootMargin: '0px 0px 600px 0px' }).observe(more);
// The table's column heads stay in view below the header, whatever height the header wraps to.
new ResizeObserver(([header]) => {
  document.documentElement.style.setProperty('--header-height', `${header.target.getBoundingClientRect().height}px`);
}).observe(document.querySelector('header'));
// '/' anywhere else goes to the search box.
document.addEventListener('keydown', (event) => {
  if (event.key === '/' && document.activeElement !== input && !event.ctrlKey && !event.metaKey && !event.altKey) {
    event.preventDefault();
    input.focus();
    input.select();
  }
});

fromAddress();
document.body.dataset.ready = 'true';

// The search page: asks tuneledger.mjs as the user types, shows the hits 100 rows at a time as
// the user scrolls, and keeps the query in the address (#search=night, #filter=love;night;).
// Warns, as the command line does, where the query as the library reads it won't do what it seems.
import { LONGEST_FILTER, LONGEST_TEXT, displayPieces, entryBytes, load, queryOf } from './tuneledger.mjs';

const PAGE_ROWS = 100;
// Counting the hits beyond the first page goes on in slices this long, so typing stays quick.
const SLICE_MS = 8;

const form = document.getElementById('search');
const input = document.getElementById('query');
const status = document.getElementById('status');
const table = document.getElementById('hits');
const body = table.querySelector('tbody');
const more = document.getElementById('more');
const empty = document.getElementById('empty');
const warning = document.getElementById('warning');
const hint = document.getElementById('hint');
// Figures and counts grouped as the reader's locale groups them.
const numberFormat = new Intl.NumberFormat();
// The figure columns' names, which label each figure where a row shows as a block.
const figureLabels = [...document.querySelectorAll('#hits thead th')].slice(3).map((th) => th.textContent);

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

// A cell of runs of text, each { text, marked }; a marked run shows in <mark>.
function cell(runs, className, label) {
  const td = document.createElement('td');
  td.setAttribute('role', 'cell');
  if (className) td.className = className;
  // A figure's runs go in one span, which stays one piece below its label.
  let into = td;
  if (label) {
    td.dataset.label = label;
    into = document.createElement('span');
    td.append(into);
  }
  for (const { text, marked } of runs) {
    if (marked) {
      const mark = document.createElement('mark');
      mark.textContent = text;
      into.append(mark);
    } else {
      into.append(text);
    }
  }
  return td;
}

// Adds text to the runs: to the last run if it is marked alike, else as a run of its own.
function addRun(runs, text, marked) {
  const last = runs.at(-1);
  if (last && last.marked === marked) last.text += text;
  else runs.push({ text, marked });
}

// Joins pieces into runs, marked where a term covers any of a piece's bytes.
function runsOf(pieces, marks) {
  const runs = [];
  for (const piece of pieces) addRun(runs, piece.text, marks.subarray(piece.from, piece.to).includes(1));
  return runs;
}

// A figure as the command line's table shows it: its number, '(x29)' as 29, grouped as the
// reader's locale groups digits. Each digit is marked where its stored byte is; a group separator
// where the digits either side of it are. A figure that is no number shows as stored.
function figureRuns(pieces, marks) {
  const stored = pieces.map((piece) => piece.text).join('');
  const match = /^(?:\(x(\d+)\)|(\d+))$/.exec(stored);
  if (!match) return runsOf(pieces, marks);
  const digitsFrom = pieces[0].from + (match[1] === undefined ? 0 : 2);
  const digitMarked = (digit) => marks[digitsFrom + digit] === 1;
  const runs = [];
  let digit = 0;
  for (const part of numberFormat.formatToParts(Number(match[1] ?? match[2]))) {
    if (part.type === 'integer') {
      for (const text of part.value) addRun(runs, text, digitMarked(digit++));
    } else {
      addRun(runs, part.value, digit > 0 && digitMarked(digit - 1) && digitMarked(digit));
    }
  }
  return runs;
}

// A name without the spaces stored around it, as the command line's table shows it.
function trimmed(pieces) {
  let from = 0;
  let to = pieces.length;
  while (from < to && pieces[from].text === ' ') ++from;
  while (to > from && pieces[to - 1].text === ' ') --to;
  return pieces.slice(from, to);
}

// One row: the index, then performer, title and the six figures, each shown as the command line
// shows stored bytes (UTF-8 where it is well formed, else the Windows-1252 character).
function row({ index, entry }, terms) {
  const tr = document.createElement('tr');
  tr.setAttribute('role', 'row');
  const th = document.createElement('th');
  th.setAttribute('role', 'rowheader');
  th.scope = 'row';
  th.className = 'number index';
  th.textContent = index;
  tr.append(th);
  const marks = marked(entry, terms);
  const fields = [[]];
  for (const piece of displayPieces(entryBytes(entry))) {
    if (piece.text === '|') fields.push([]);
    else fields.at(-1).push(piece);
  }
  fields.forEach((pieces, field) => {
    if (field < 2) tr.append(cell(runsOf(trimmed(pieces), marks), field === 0 ? 'performer' : 'title'));
    else tr.append(cell(figureRuns(pieces, marks), 'number', figureLabels[field - 2]));
  });
  return tr;
}

// ---- Searching -----------------------------------------------------------------------------

// The search under way: its hits so far, how many rows show, and whether every hit is in.
let current = null;

function describe(search) {
  const count = numberFormat.format(search.hits.length);
  const noun = search.hits.length === 1 ? 'hit' : 'hits';
  if (!search.done) return `${count} ${noun} so far, counting…`;
  if (search.text === '') return search.filter ? `All ${count} entries: no term yet` : `All ${count} entries`;
  return `${count} ${noun}`;
}

// A piece of the query as a warning names it: in quotes, cut after 40 characters.
function named(text) {
  const characters = [...text];
  return `‘${characters.length > 40 ? `${characters.slice(0, 40).join('')}…` : text}’`;
}

// What the query as the library reads it will do where the hits alone would not say, as the
// command line warns: a text or filter longer than the library takes, a term longer than any
// entry, and the piece after a filter's last ';', which takes no part.
function warningOf(text, filter) {
  const length = queryOf(text).length; // the library's characters: the UTF-8 bytes typed
  const format = (n) => numberFormat.format(n);
  if (!filter) {
    return length > LONGEST_TEXT
      ? `The text has ${format(length)} characters, more than the longest entry (${format(LONGEST_TEXT)}): nothing contains it.`
      : '';
  }
  if (length > LONGEST_FILTER) {
    return `The filter has ${format(length)} characters, more than the ${format(LONGEST_FILTER)} a filter may have: nothing passes.`;
  }
  const pieces = text.split(';');
  const lines = [];
  for (const term of pieces.slice(0, -1)) {
    const termLength = queryOf(term).length;
    if (termLength > LONGEST_TEXT) {
      lines.push(`The term ${named(term)} has ${format(termLength)} characters, more than the longest entry (${format(LONGEST_TEXT)}): nothing passes.`);
    }
  }
  const rest = pieces.at(-1);
  if (rest !== '') {
    lines.push(pieces.length === 1
      ? `${named(rest)} takes no part: a term ends with ‘;’, and without one every entry passes.`
      : `${named(rest)} after the last ‘;’ takes no part: a term ends with ‘;’.`);
  }
  return lines.join(' ');
}

function showStatus(search) {
  status.textContent = describe(search);
  empty.hidden = !(search.done && search.hits.length === 0);
  // A table of column heads alone says nothing the line below it doesn't.
  table.hidden = !empty.hidden;
  status.dataset.hits = search.hits.length;
  status.dataset.state = search.done ? 'done' : 'counting';
  const warned = warningOf(search.text, search.filter);
  if (warning.textContent !== warned) warning.textContent = warned;
  warning.hidden = warned === '';
  // A text holding ';' that finds nothing was likely meant as terms.
  hint.hidden = !(search.done && search.hits.length === 0 && !search.filter && search.text.includes(';'));
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
// Only an address that names a query changes it: '#main' or any other leaves the search alone.
window.addEventListener('hashchange', () => {
  if (location.hash === '' || /^#(search|filter)=/.test(location.hash)) fromAddress();
});
// The skip link moves focus to the hits without putting '#main' in the address, which holds the query.
document.querySelector('.skip').addEventListener('click', (event) => {
  event.preventDefault();
  document.getElementById('main').focus();
});
more.addEventListener('click', showMore);
document.getElementById('to-filter').addEventListener('click', (event) => {
  setMode('filter');
  writeAddress();
  run(event.timeStamp);
  input.focus();
});
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

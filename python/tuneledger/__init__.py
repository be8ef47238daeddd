"""The TuneLedger chart table: 11,082 song chart entries to read and search.

The package carries the TuneLedger shared library and calls its three functions through ctypes::

    >>> import tuneledger
    >>> tuneledger.entry(4)
    'Hidden Wolves |Shake Me Down|1223|186|1|(x124)|2905678|718865961'
    >>> hit = tuneledger.search("(X124)")
    >>> hit.index, hit.performer, hit.times_at_best
    (4, 'Hidden Wolves', 124)
    >>> [hit.index for hit in tuneledger.filter_hits(["love", "(x"])]
    [77, 110, 304, 409, 410, 462, 1661]

Searches ignore the case of A to Z (and only of those letters) and match anywhere in an entry,
across the ``|`` between its fields too.

Text: the library keeps each entry as 8-bit text and gives it out one Windows-1252 character a
byte (:attr:`Hit.entry`); some entries hold the UTF-8 bytes of names such as "Björn", which read
"BjÃ¶rn" that way. :attr:`Hit.text` and the parsed fields show those bytes as the command line
does: each well-formed UTF-8 sequence as its character, any other byte as its Windows-1252
character. Queries are taken the same way by default: their UTF-8 bytes are what is searched for,
so ``search("Björn")`` finds "Björn". With ``raw=True`` a query goes to the library as it is,
character for character (a character beyond Windows-1252 is searched as ``?``).

Threads: every function may be called from any number of threads at once. Each answer is copied
out of the library's per-thread result text before it is returned, and the package keeps no
state of its own beyond the loaded library.
"""
from __future__ import annotations

import ctypes
import operator
import os
import sys
from dataclasses import dataclass
from typing import Callable, Iterable, Iterator, Optional, Union

__version__ = "1.0.0.1"  # the library's, from include/tuneledger.h (a test checks that they agree)

__all__ = [
    "Hit",
    "entry",
    "search",
    "filter",
    "hits",
    "filter_hits",
    "LAST_INDEX",
    "LONGEST_TEXT",
    "LONGEST_FILTER",
    "RESULT_UNITS",
    "WINDOWS_1252_HIGH",
]

# The table's limits and code page, as include/tuneledger.h has them (a test checks that they
# agree): TUNELEDGER_LAST_INDEX, TUNELEDGER_LONGEST_TEXT, TUNELEDGER_LONGEST_FILTER,
# TUNELEDGER_RESULT_UNITS and TUNELEDGER_WINDOWS_1252_HIGH.
LAST_INDEX = 11081
"""The highest index: entries 0 to 11081 can be read and searched."""
LONGEST_TEXT = 169
"""The longest entry, in the library's characters: a longer search text is in no entry."""
LONGEST_FILTER = 2999
"""The longest filter, in the library's characters, whose terms count: a longer one passes nothing."""
RESULT_UNITS = 3000
"""The most UTF-16 units of any answer, terminator included."""
WINDOWS_1252_HIGH = (
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
)
"""The characters the library gives for the bytes 0x80 to 0x9F; every other byte is the
character of its own value."""

_NOT_FOUND = "NOT FOUND!"
_OUT_OF_RANGE = "Out of range"


# ---- The library ----

def _load() -> ctypes.CDLL:
    here = os.path.dirname(os.path.abspath(__file__))
    if sys.platform == "win32":
        # WinDLL: __stdcall, the calls' convention in the 32-bit DLL (the same as CDLL on 64-bit).
        library: ctypes.CDLL = ctypes.WinDLL(os.path.join(here, "TUNELEDGER.dll"))
    else:
        library = ctypes.CDLL(os.path.join(here, "libtuneledger.so.1"))
    # Texts go in as the bytes of their UTF-16 encoding (ctypes' c_wchar_p is UTF-32 on Linux)
    # and come out as pointers to the library's UTF-16 units.
    library.FoodPicker.argtypes = [ctypes.c_int32]
    library.FoodPicker.restype = ctypes.c_void_p
    for search_call in (library.FoodPickerText, library.FoodPickerFilter):
        search_call.argtypes = [ctypes.c_char_p, ctypes.c_int32]
        search_call.restype = ctypes.c_void_p
    return library


_library = _load()
_Units = ctypes.POINTER(ctypes.c_uint16)


def _read(answer: Optional[int]) -> str:
    """Copies an answer out of the library's per-thread result text, which the thread's next
    call of the same function overwrites."""
    if not answer:
        raise MemoryError("the library had no memory for this thread's result texts")
    units = ctypes.cast(answer, _Units)
    length = 0
    while length < RESULT_UNITS and units[length]:
        length += 1
    return ctypes.string_at(answer, 2 * length).decode("utf-16-le", "surrogatepass")


def _to_library(text: str) -> bytes:
    """A text as NUL-terminated UTF-16, lone surrogates included (the library reads each as '?')."""
    return text.encode("utf-16-le", "surrogatepass") + b"\0\0"


# ---- The code page and the stored bytes ----

# The library's character for each byte, for bytes that are no character of their own value.
_CHAR_OF_HIGH_BYTE = {0x80 + i: chr(c) for i, c in enumerate(WINDOWS_1252_HIGH)}
# A query's UTF-8 bytes (read as Latin-1) as the library's characters for them.
_CHARS_FROM_LATIN1 = str.maketrans(_CHAR_OF_HIGH_BYTE)
# The library's characters as Latin-1 code points, ready to encode as bytes; a character the
# code page lacks (which no answer holds) becomes '?', as the command line takes it.
_LATIN1_FROM_CHARS = str.maketrans(
    {**{code: "?" for code in range(0x80, 0xA0) if code not in WINDOWS_1252_HIGH},
     **{c: chr(0x80 + i) for i, c in enumerate(WINDOWS_1252_HIGH)}})
# A byte that starts no well-formed UTF-8 sequence, escaped by the decoder, as its character.
_CHARS_FROM_ESCAPES = str.maketrans(
    {0xDC00 + byte: _CHAR_OF_HIGH_BYTE.get(byte, chr(byte)) for byte in range(0x80, 0x100)})


def _stored_query(text: str) -> str:
    """A query's UTF-8 bytes, each as the library's character for it, so that the query meets
    the UTF-8 the entries hold. A lone surrogate, which has no UTF-8, is searched as '?'."""
    return text.encode("utf-8", "replace").decode("latin-1").translate(_CHARS_FROM_LATIN1)


def _stored_bytes(chars: str) -> bytes:
    """The bytes behind the library's characters."""
    return chars.translate(_LATIN1_FROM_CHARS).encode("latin-1", "replace")


def _shown(data: bytes) -> str:
    """Stored bytes as the command line shows them: a well-formed UTF-8 sequence as its
    character, any other byte as its Windows-1252 character."""
    return data.decode("utf-8", "surrogateescape").translate(_CHARS_FROM_ESCAPES)


# ---- An entry's fields ----

def _figure(text: bytes) -> Optional[int]:
    """'1506' is 1506; times at best are '(x29)', or '0' when none. None for any other text."""
    if len(text) >= 3 and text[:2] == b"(x" and text[-1:] == b")":
        text = text[2:-1]
    if not 0 < len(text) <= 18 or not text.isdigit():
        return None
    return int(text)


@dataclass(frozen=True)
class Hit:
    """An entry the library gave out, with its fields.

    The fields are split as the command line's ``--json`` output splits them: the last seven
    ``|`` of the entry end the performer, the title and the first five figures (so a ``|``
    inside a performer stays in the performer); the performer and title lose the spaces around
    them. An entry with fewer than seven ``|`` is all performer, with an empty title and no
    figures. A figure that is no number (``(x29)`` is 29) is None.
    """

    index: int
    """The entry's index, 0 to LAST_INDEX."""
    entry: str
    """The entry as the library gives it: one Windows-1252 character a stored byte."""
    text: str
    """The entry as the command line shows it: UTF-8 where a stored sequence is well formed."""
    performer: str
    title: str
    listings: Optional[int]
    """Weeks listed."""
    top_ten: Optional[int]
    """Weeks in the top ten."""
    best_position: Optional[int]
    times_at_best: Optional[int]
    """Weeks at the best position: ``(x29)`` is 29, ``0`` when none is shown."""
    best_single: Optional[int]
    """The best single count."""
    total: Optional[int]
    """The total count, by which the table is sorted, largest first."""

    @classmethod
    def from_entry(cls, index: int, entry: str) -> "Hit":
        """The hit for entry `index` whose text, as the library gives it, is `entry`."""
        data = _stored_bytes(entry)
        bars = [at for at, byte in enumerate(data) if byte == 0x7C]
        if len(bars) < 7:
            performer, title = data, b""
            figures: list = [None] * 6
        else:
            ends = bars[-7:] + [len(data)]
            performer, title = data[:ends[0]], data[ends[0] + 1:ends[1]]
            figures = [_figure(data[ends[i] + 1:ends[i + 1]]) for i in range(1, 7)]
        return cls(index, entry, _shown(data), _shown(performer.strip(b" ")),
                   _shown(title.strip(b" ")), *figures)


# ---- The three calls ----

def entry(index: int) -> str:
    """The text of entry `index`, as the library gives it (one Windows-1252 character a stored
    byte; ``Hit.from_entry(index, text).text`` shows it as UTF-8).

    Raises IndexError for an index outside 0 to LAST_INDEX (11081).
    """
    index = operator.index(index)
    if not 0 <= index <= LAST_INDEX:
        raise IndexError(f"entry index {index} is outside 0 to {LAST_INDEX}")
    answer = _read(_library.FoodPicker(index))
    if answer == _OUT_OF_RANGE:
        raise IndexError(f"entry index {index} is outside 0 to {LAST_INDEX}")
    return answer


Terms = Union[str, Iterable[str]]


def _query(text: str, raw: bool) -> bytes:
    if not isinstance(text, str):
        raise TypeError(f"a search text is a str, not {type(text).__name__}")
    return _to_library(text if raw else _stored_query(text))


def _filter_query(terms: Terms, raw: bool) -> bytes:
    if isinstance(terms, str):
        return _query(terms, raw)
    joined = []
    for term in terms:
        if not isinstance(term, str):
            raise TypeError(f"a term is a str, not {type(term).__name__}")
        if ";" in term:
            raise ValueError(f"a term can't hold ';', which closes a term: {term!r}")
        if "\0" in term:
            raise ValueError(f"a term can't hold NUL, which ends the filter: {term!r}")
        joined.append(term + ";")
    return _query("".join(joined), raw)


def _start(start: int) -> int:
    # The library searches from 0 for a start below 0 and finds nothing above LAST_INDEX; a
    # Python int is kept in that range so that it can't wrap around in the 32-bit argument.
    return min(max(operator.index(start), 0), LAST_INDEX + 1)


def _first(call: Callable, query: bytes, start: int) -> Optional[Hit]:
    answer = _read(call(query, start))
    if answer == _NOT_FOUND:
        return None
    index, dash, found = answer.partition("-")
    if not dash or not index.isdigit():
        raise RuntimeError(f"the library answered {answer!r}")
    return Hit.from_entry(int(index), found)


def _every(call: Callable, query: bytes, start: int) -> Iterator[Hit]:
    while True:
        hit = _first(call, query, start)
        if hit is None:
            return
        yield hit
        start = hit.index + 1


def search(text: str, start: int = 0, *, raw: bool = False) -> Optional[Hit]:
    """The first entry from `start` on that contains `text`, ignoring the case of A to Z only;
    None when there is none.

    A start below 0 searches from entry 0; one above LAST_INDEX finds nothing. The empty text
    is in every entry. The text ends at a NUL; a text longer than LONGEST_TEXT (169) characters,
    as the library counts them (the UTF-8 bytes, unless `raw`), is in no entry. With `raw`, the
    text goes to the library character for character instead of as its UTF-8 bytes.
    """
    return _first(_library.FoodPickerText, _query(text, raw), _start(start))


def filter(terms: Terms, start: int = 0, *, raw: bool = False) -> Optional[Hit]:  # noqa: A001
    """The first entry from `start` on that contains every term, each ignoring the case of A to
    Z only; None when there is none.

    `terms` is either the library's own filter, a str of terms each closed by ';'
    (``"love;night;"``; a piece after the last ';' is no term, and a str without ';' lets every
    entry pass), or a list of terms, which are closed by ';' and joined here
    (``["love", "night"]``). A term in a list may hold neither ';' nor NUL: ValueError. No terms
    at all let every entry pass. A filter longer than LONGEST_FILTER (2999) characters, as the
    library counts them, passes nothing. `start` and `raw` as for :func:`search`.
    """
    return _first(_library.FoodPickerFilter, _filter_query(terms, raw), _start(start))


def hits(text: str, start: int = 0, *, raw: bool = False) -> Iterator[Hit]:
    """Every entry from `start` on that contains `text`, in index order: :func:`search` again
    and again, each time from one past the last hit. The text is checked at once."""
    return _every(_library.FoodPickerText, _query(text, raw), _start(start))


def filter_hits(terms: Terms, start: int = 0, *, raw: bool = False) -> Iterator[Hit]:
    """Every entry from `start` on that contains every term, in index order: :func:`filter`
    again and again, each time from one past the last hit. The terms are checked at once."""
    return _every(_library.FoodPickerFilter, _filter_query(terms, raw), _start(start))

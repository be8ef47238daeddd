"""The package's surface: held to the public header, to the command line (which pages through
the C calls itself and parses entries for --json), and to the rules its docstrings state."""
import importlib.metadata
import json
import re
from concurrent.futures import ThreadPoolExecutor
from itertools import zip_longest

import pytest

import tuneledger
from tuneledger import LAST_INDEX, Hit


def test_the_installed_package_is_under_test():
    import sys
    assert tuneledger.__file__.startswith(sys.prefix), tuneledger.__file__


def test_limits_version_and_code_page_are_the_headers(header):
    def define(name):
        return re.search(rf"^#define {name} (\S+)$", header, re.MULTILINE).group(1)

    for name in ("LAST_INDEX", "LONGEST_TEXT", "LONGEST_FILTER", "RESULT_UNITS"):
        assert getattr(tuneledger, name) == int(define(f"TUNELEDGER_{name}")), name
    version = ".".join(define(f"TUNELEDGER_VERSION_{part}") for part in ("MAJOR", "MINOR", "PATCH", "TWEAK"))
    assert tuneledger.__version__ == version
    assert importlib.metadata.version("tuneledger") == version
    table = re.search(r"#define TUNELEDGER_WINDOWS_1252_HIGH \{(.*?)\}", header, re.DOTALL).group(1)
    assert tuneledger.WINDOWS_1252_HIGH == tuple(int(code, 16) for code in re.findall(r"0x[0-9A-F]{4}", table))


# ---- Paging, against the command line ----

# The package's hits beside the command line's --all for the same query; the command line
# shows what Hit.text shows, or with --raw what Hit.entry holds.
PAGING = {
    "search love": (lambda: tuneledger.hits("love"), ["search", "love"]),
    "filter love;(x;": (lambda: tuneledger.filter_hits("love;(x;"), ["filter", "love;(x;"]),
    "filter as a list": (lambda: tuneledger.filter_hits(["night", "ME"]), ["filter", "night;ME;"]),
    "search e from 11000": (lambda: tuneledger.hits("e", 11000), ["search", "--from=11000", "e"]),
    "UTF-8 query Björn": (lambda: tuneledger.hits("Björn"), ["search", "Björn"]),
    "UTF-8 query Fjällby from 2500": (lambda: tuneledger.hits("Fjällby", 2500), ["search", "--from=2500", "Fjällby"]),
    "UTF-8 terms": (lambda: tuneledger.filter_hits(["á", "|1|"]), ["filter", "á;|1|;"]),
    "raw search": (lambda: tuneledger.hits("Ã", raw=True), ["--raw", "search", "Ã"]),
    "raw filter": (lambda: tuneledger.filter_hits(["Ã", "(x"], raw=True), ["--raw", "filter", "Ã;(x;"]),
    "no hit": (lambda: tuneledger.hits("zzzqqq"), ["search", "zzzqqq"]),
}


@pytest.mark.parametrize("name", PAGING)
def test_hits_page_as_the_command_line_does(name, cli):
    package_hits, arguments = PAGING[name]
    lines, status = cli("--all", *arguments)
    shown = "entry" if "--raw" in arguments else "text"
    assert [f"{hit.index}-{getattr(hit, shown)}" for hit in package_hits()] == lines
    assert status == (0 if lines else 1)


def test_every_entry_splits_as_the_command_lines_json(cli):
    lines, _ = cli("--all", "--json", "search", "")
    assert len(lines) == LAST_INDEX + 1
    wrong = []
    for line, hit in zip_longest(lines, tuneledger.hits("")):
        expected = json.loads(line)
        got = {name: getattr(hit, name) for name in expected if name != "entry"}
        got["entry"] = hit.text
        if got != expected:
            wrong.append((expected, got))
    assert wrong[:3] == []


def test_hits_interleaved_in_one_thread_keep_their_own_answers():
    # Both page through FoodPickerText, whose per-thread answer each call overwrites.
    love = [hit.index for hit in tuneledger.hits("love")]
    night = [hit.index for hit in tuneledger.hits("night")]
    pairs = list(zip(tuneledger.hits("love"), tuneledger.hits("night")))
    assert [(a.index, b.index) for a, b in pairs] == list(zip(love, night))
    assert all("love" in a.entry.lower() and "night" in b.entry.lower() for a, b in pairs)


def test_threads_get_the_answers_one_thread_gets():
    queries = ["love", "night", "(x1)", "Björn", "e;", "|0|0|"]
    calls = [(tuneledger.hits, q) if ";" not in q else (tuneledger.filter_hits, q) for q in queries]
    alone = [[(hit.index, hit.entry) for hit in call(q)] for call, q in calls]
    with ThreadPoolExecutor(max_workers=6) as pool:
        together = list(pool.map(lambda c: [(hit.index, hit.entry) for hit in c[0](c[1])], calls * 4))
    assert together == alone * 4


# ---- Indexes and starts ----

@pytest.mark.parametrize("index", [-1, LAST_INDEX + 1, LAST_INDEX + 2, 2**31, -2**31 - 1, 2**32 + 4, -(2**32) + 4])
def test_entry_outside_the_table_raises_index_error(index):
    with pytest.raises(IndexError):
        tuneledger.entry(index)


@pytest.mark.parametrize("call, query, start, found", [
    (tuneledger.search, "(x124)", -5, 4),
    (tuneledger.search, "(x124)", -(2**40), 4),
    (tuneledger.search, "", LAST_INDEX, LAST_INDEX),
    (tuneledger.search, "", LAST_INDEX + 1, None),
    (tuneledger.search, "", 2**32, None),       # not 0, as a start cut to 32 bits would be
    (tuneledger.search, "", 2**32 + 5, None),   # not 5
    (tuneledger.filter, "", -1, 0),
    (tuneledger.filter, [], 2**32 + 7, None),
    (tuneledger.filter, [], LAST_INDEX, LAST_INDEX),
])
def test_starts_outside_the_table(call, query, start, found):
    hit = call(query, start)
    assert (hit and hit.index) == found


def test_paging_ends_at_the_last_entry():
    assert [hit.index for hit in tuneledger.hits("", LAST_INDEX - 1)] == [LAST_INDEX - 1, LAST_INDEX]
    assert list(tuneledger.filter_hits([], LAST_INDEX + 1)) == []


def test_wrong_types_raise_type_error():
    for call in (lambda: tuneledger.entry(4.0), lambda: tuneledger.search(b"love"),
                 lambda: tuneledger.filter([b"love"]), lambda: tuneledger.search("love", "5")):
        with pytest.raises(TypeError):
            call()


# ---- Terms ----

@pytest.mark.parametrize("terms, joined", [
    (["love", "(x"], "love;(x;"),
    (("night", "ME"), "night;ME;"),
    ((term for term in ["(x124)", "|1|"]), "(x124);|1|;"),
    ([""], ";"),
    ([], ""),
])
def test_terms_as_a_list_are_the_joined_filter(terms, joined):
    assert [hit.index for hit in tuneledger.filter_hits(terms, 5)][:50] == \
           [hit.index for hit in tuneledger.filter_hits(joined, 5)][:50]


@pytest.mark.parametrize("terms", [["love;night"], ["love", ";"], ["love", "a\0b"]])
def test_a_term_holding_a_semicolon_or_nul_raises_value_error(terms):
    with pytest.raises(ValueError):
        tuneledger.filter(terms)
    with pytest.raises(ValueError):
        tuneledger.filter_hits(terms)  # at once, not at the first hit


@pytest.mark.parametrize("query, raw, found", [
    ("Björn", False, 2215),       # its UTF-8 bytes, as the entry holds them
    ("Björn", True, None),        # the byte 0xF6, which no entry holds
    ("\ud83d", False, 191),       # a lone surrogate has no UTF-8: '?'
    ("\ud83d", True, 191),        # the library's own '?'
    ("€", True, 730),             # the code page's byte 0x80
    ("(x124)\0(x29)", False, 4),  # the text ends at the NUL
])
def test_queries_go_to_the_library_as_utf8_bytes_unless_raw(query, raw, found):
    hit = tuneledger.search(query, raw=raw)
    assert (hit and hit.index) == found


# ---- An entry's fields and shown text, where the table has no example ----

def library_chars(data: bytes) -> str:
    """Stored bytes as the library gives them out."""
    return "".join(chr(tuneledger.WINDOWS_1252_HIGH[b - 0x80]) if 0x80 <= b < 0xA0 else chr(b) for b in data)


FIGURES = ("listings", "top_ten", "best_position", "times_at_best", "best_single", "total")


@pytest.mark.parametrize("stored, performer, title, figures", [
    (b"Solo|Song|1|2|3|(x4)|5|6", "Solo", "Song", (1, 2, 3, 4, 5, 6)),
    (b"  A  B  |  Song  |1|2|3|0|5|6", "A  B", "Song", (1, 2, 3, 0, 5, 6)),
    (b"\tTab |Song\t|1|2|3|0|5|6", "\tTab", "Song\t", (1, 2, 3, 0, 5, 6)),
    (b"AC|DC |Song|1|2|3|0|5|6", "AC|DC", "Song", (1, 2, 3, 0, 5, 6)),  # the last seven bars count
    (b"Few|bars|1|2|3|4|5", "Few|bars|1|2|3|4|5", "", (None,) * 6),
    (b" No bars ", "No bars", "", (None,) * 6),
    (b"P|T|01|x|3|(x)|(X4)|", "P", "T", (1, None, 3, None, None, None)),
    (b"P|T|999999999999999999|1000000000000000000|(x007)|(x12|-1|+1", "P", "T",
     (999999999999999999, None, 7, None, None, None)),
    (b"Caf\xc3\xa9 |Na\xefve|1|2|3|0|5|6", "Café", "Na\u00efve", (1, 2, 3, 0, 5, 6)),
])
def test_irregular_entries_split_as_the_command_line_does(stored, performer, title, figures):
    hit = Hit.from_entry(7, library_chars(stored))
    assert (hit.performer, hit.title) == (performer, title)
    assert tuple(getattr(hit, name) for name in FIGURES) == figures


@pytest.mark.parametrize("stored, shown", [
    (b"Caf\xc3\xa9", "Café"),
    (b"\xf0\x9f\x98\x80!", "\U0001F600!"),
    (b"Caf\xc3", "CafÃ"),                             # cut short
    (b"\xc3(\xa9", "Ã(©"),                             # broken by a byte that continues nothing
    (b"\xf0\x9f\x98x", "ð\u0178\u02dcx"),              # 0x9F and 0x98 as Windows-1252's
    (b"\xc0\xaf \xe0\x80\xaf", "À¯ à\u20ac¯"),          # overlong forms
    (b"\xed\xa0\x80", "í\u00a0\u20ac"),                # a surrogate's bytes
    (b"\xf4\x90\x80\x80", "ô\u0090\u20ac\u20ac"),      # beyond U+10FFFF; 0x90 is undefined, itself
    (b"\x81\x8d\x8f\x9d", "\x81\x8d\x8f\x9d"),
])
def test_shown_text_is_utf8_where_well_formed_else_windows_1252(stored, shown):
    chars = library_chars(stored)
    hit = Hit.from_entry(0, chars)
    assert (hit.entry, hit.text, hit.performer) == (chars, shown, shown)

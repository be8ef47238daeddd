#!/usr/bin/env python3
"""Calls TuneLedger from Python with ctypes: one entry, one search, and every hit of a filter.

    python3 tuneledger_example.py [LIBRARY]     (libtuneledger.so, or TUNELEDGER.dll on Windows)

The library's texts are UTF-16 on every platform. ctypes' c_wchar_p is UTF-16 only on Windows;
on Linux it is UTF-32 and the library would read garbage. So texts go in as the bytes of their
UTF-16 encoding with a two-byte NUL, and answers come back as a pointer whose UTF-16 units are
read up to their NUL and decoded here: that works everywhere. Checks what it prints and exits 1
on a wrong answer.
"""
import ctypes
import sys

if sys.platform == "win32":
    # WinDLL: __stdcall, the calls' convention in the 32-bit DLL (the same as CDLL on 64-bit).
    library = ctypes.WinDLL(sys.argv[1] if len(sys.argv) > 1 else "TUNELEDGER.dll")
else:
    library = ctypes.CDLL(sys.argv[1] if len(sys.argv) > 1 else "libtuneledger.so.1")

# const tuneledger_char *FoodPicker(int32_t index);
# const tuneledger_char *FoodPickerText(const tuneledger_char *text, int32_t start);
# const tuneledger_char *FoodPickerFilter(const tuneledger_char *filter, int32_t start);
library.FoodPicker.argtypes = [ctypes.c_int32]
library.FoodPicker.restype = ctypes.c_void_p
for search in (library.FoodPickerText, library.FoodPickerFilter):
    search.argtypes = [ctypes.c_char_p, ctypes.c_int32]
    search.restype = ctypes.c_void_p


def to_library(text):
    """A Python string as a NUL-terminated UTF-16 text."""
    return text.encode("utf-16-le") + b"\0\0"


def from_library(answer):
    """Copies an answer out: it belongs to the library and the thread's next call of the same
    function overwrites it."""
    units = ctypes.cast(answer, ctypes.POINTER(ctypes.c_uint16))
    length = 0
    while units[length]:
        length += 1
    return ctypes.string_at(answer, 2 * length).decode("utf-16-le")


def pick(index):
    return from_library(library.FoodPicker(index))


def search_text(text, start=0):
    return from_library(library.FoodPickerText(to_library(text), start))


def search_filter(terms, start=0):
    return from_library(library.FoodPickerFilter(to_library(terms), start))


def every_hit(search, query):
    """Pages through every hit: each search starts one past the index of the last hit."""
    start = 0
    while True:
        answer = search(query, start)
        if answer == "NOT FOUND!":
            return
        index, entry = answer.split("-", 1)
        yield int(index), entry
        start = int(index) + 1


# Entries hold UTF-8 bytes, which the library gives out one Windows-1252 character a byte. To
# look for "Björn", ask for its UTF-8 bytes as such characters, and read answers back the same way.
CP1252_GAPS = {0x81, 0x8D, 0x8F, 0x90, 0x9D}  # bytes Windows-1252 leaves undefined: kept as is


def as_stored(text):
    return "".join(chr(b) if b in CP1252_GAPS else bytes([b]).decode("cp1252")
                   for b in text.encode("utf-8"))


def as_read(entry):
    raw = bytes(ord(c) if ord(c) in CP1252_GAPS else c.encode("cp1252")[0] for c in entry)
    return raw.decode("utf-8", errors="replace")


failures = []


def show(label, value, expected):
    print(f"{label:32} {value}")
    if value != expected:
        failures.append(f"{label}: expected {expected}")


show("FoodPicker(4)", pick(4), "Hidden Wolves |Shake Me Down|1223|186|1|(x124)|2905678|718865961")
show("FoodPicker(11082)", pick(11082), "Out of range")
show('FoodPickerText("(X124)", 0)', search_text("(X124)"),
     "4-Hidden Wolves |Shake Me Down|1223|186|1|(x124)|2905678|718865961")
show('FoodPickerText("(x124)", 5)', search_text("(x124)", 5), "NOT FOUND!")

hits = list(every_hit(search_filter, "love;(x;"))
print('every hit of the filter "love;(x;":')
for index, entry in hits:
    print(f"  {index:5}  {entry}")
show("  hits", len(hits), 7)

björns = list(every_hit(search_text, as_stored("Björn")))
print('every entry with "Björn" (UTF-8 bytes as the library stores them):')
for index, entry in björns:
    print(f"  {index:5}  {as_read(entry)}")
show("  hits", [index for index, _ in björns], [2215, 8593, 9657])

if failures:
    print("FAILED:\n  " + "\n  ".join(failures))
    sys.exit(1)
print("all answers as expected")

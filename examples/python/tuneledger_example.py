#!/usr/bin/env python3
"""TuneLedger from Python with the tuneledger package: one entry, two searches, and every hit of
a filter. Checks what it prints and exits 1 on a wrong answer.

    python3 -m venv build/venv
    build/venv/bin/pip install --no-index build/release/python/dist/tuneledger-*.whl
    build/venv/bin/python examples/python/tuneledger_example.py
"""
import sys

import tuneledger

ENTRY_4 = "Hidden Wolves |Shake Me Down|1223|186|1|(x124)|2905678|718865961"
failures = []


def show(label, value, expected):
    print(f"{label:28} {value}")
    if value != expected:
        failures.append(f"{label}: expected {expected}")


show("entry(4)", tuneledger.entry(4), ENTRY_4)
try:
    tuneledger.entry(11082)
    failures.append("entry(11082): expected IndexError")
except IndexError as error:
    print(f"{'entry(11082)':28} IndexError: {error}")
hit = tuneledger.search("(X124)")
show('search("(X124)")', (hit.index, hit.performer, hit.times_at_best), (4, "Hidden Wolves", 124))
show('search("(x124)", 5)', tuneledger.search("(x124)", 5), None)

print('every hit of the filter ["love", "(x"]:')
for hit in tuneledger.filter_hits(["love", "(x"]):
    print(f"  {hit.index:5}  {hit.text}")
show("  indexes", [hit.index for hit in tuneledger.filter_hits("love;(x;")],
     [77, 110, 304, 409, 410, 462, 1661])

# Entries hold names as UTF-8 bytes; the package searches for a query's UTF-8 bytes and shows
# the hits' text as UTF-8, as the command line does.
show('hits("Björn")', [(hit.index, hit.performer) for hit in tuneledger.hits("Björn")],
     [(2215, "Björn Rowan"), (8593, "Björn Fenwick"), (9657, "Björn Stroud")])

if failures:
    print("FAILED:\n  " + "\n  ".join(failures))
    sys.exit(1)
print("all answers as expected")

"""Every case of the harness kit's list (tests/kit/cases.cpp), the same list every other host is
held to, asked through the package with each text passed as it is (raw)."""
import pytest

import tuneledger


def answer_of(hit):
    return "NOT FOUND!" if hit is None else f"{hit.index}-{hit.entry}"


def test_kit_case(kit_case):
    call, number, expected = kit_case["call"], kit_case["number"], kit_case["expected"]
    # The package never passes a null text; the library takes null as the empty text.
    text = kit_case["text"] if kit_case["text"] is not None else ""
    if call == "Lookup":
        if expected == "Out of range":
            with pytest.raises(IndexError):
                tuneledger.entry(number)
        else:
            assert tuneledger.entry(number) == expected
    elif call == "TextSearch":
        assert answer_of(tuneledger.search(text, number, raw=True)) == expected
    else:
        assert call == "TermFilter"
        assert answer_of(tuneledger.filter(text, number, raw=True)) == expected

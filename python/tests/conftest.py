"""What the tests are held to, from the build (CTest sets these; see python/CMakeLists.txt):

    TUNELEDGER_EXPORT_CASES  the program that prints the harness kit's cases (export_cases.cpp)
    TUNELEDGER_CLI           the command-line host, which pages through the C calls itself
    TUNELEDGER_HEADER        include/tuneledger.h
"""
import json
import os
import subprocess

import pytest


def _required(name: str) -> str:
    value = os.environ.get(name)
    if not value:
        raise pytest.UsageError(f"{name} is not set; CTest sets it (ctest -R PythonPackage)")
    return value


def _text(field):
    """A case's text: null, or `piece` over and over up to `units` UTF-16 units."""
    if field is None:
        return None
    piece = field["piece"].encode("utf-16-le", "surrogatepass")
    units = field["units"]
    repeats = -(-units // max(len(piece) // 2, 1))
    return (piece * repeats)[:2 * units].decode("utf-16-le", "surrogatepass")


def pytest_generate_tests(metafunc):
    if "kit_case" in metafunc.fixturenames:
        output = subprocess.run([_required("TUNELEDGER_EXPORT_CASES")], check=True,
                                capture_output=True, text=True).stdout
        cases = [json.loads(line) for line in output.splitlines()]
        for case in cases:
            case["text"] = _text(case["text"])
        metafunc.parametrize("kit_case", cases, ids=[case["case"] for case in cases])


@pytest.fixture(scope="session")
def cli():
    """Runs the command line: its standard output's lines and its exit status."""
    program = _required("TUNELEDGER_CLI")

    def run(*arguments: str):
        done = subprocess.run([program, *arguments], capture_output=True, text=True,
                              encoding="utf-8")
        assert done.returncode in (0, 1), done.stderr
        return done.stdout.splitlines(), done.returncode

    return run


@pytest.fixture(scope="session")
def header() -> str:
    with open(_required("TUNELEDGER_HEADER"), encoding="utf-8") as file:
        return file.read()

#!/usr/bin/env bash
# The Python package's steps, as CTest runs them (python/CMakeLists.txt); each writes only into
# the folders it is given, inside the build folder.
#
#   package.sh wheel PYTHON LIBRARY DIST     stage python/ with the shared library beside the
#                                            module, build the wheel into DIST (emptied first)
#   package.sh venv PYTHON DIST VENV         a fresh venv with nothing but the wheel, which is
#                                            then imported from a neutral folder and asked
#   package.sh pytest PYTHON DIST VENV ARGS  a venv that also sees the system's pytest, the wheel
#                                            installed in it, then pytest ARGS
#
# PYTHON is one with Debian's python3-build, python3-setuptools, python3-wheel and python3-venv
# (tools/setup.sh languages); no step needs the Python package index.
set -euo pipefail

source_dir="$(cd "$(dirname "$0")" && pwd)"
fail() { echo "FAILED: $*" >&2; exit 1; }

# A new venv at $2 made by Python $1 (more options after), with the one wheel in $3 installed.
new_venv() {
  local python="$1" venv="$2" dist="$3"
  shift 3
  local wheels=("$dist"/tuneledger-*.whl)
  [ ${#wheels[@]} -eq 1 ] && [ -f "${wheels[0]}" ] || fail "expected one wheel in $dist, found: ${wheels[*]}"
  rm -rf "$venv"
  "$python" -m venv "$@" "$venv"
  "$venv/bin/python" -m pip install --no-index --no-cache-dir --disable-pip-version-check \
    --quiet "${wheels[0]}"
}

case "${1:-}" in
  wheel)
    [ $# -eq 4 ] || fail "usage: $0 wheel PYTHON LIBRARY DIST"
    python="$2" library="$3" dist="$4"
    stage="$dist.stage"
    rm -rf "$stage" "$dist"
    mkdir -p "$stage/tuneledger"
    cp "$source_dir/pyproject.toml" "$source_dir/setup.py" "$source_dir/README.md" "$stage/"
    cp "$source_dir"/tuneledger/*.py "$source_dir/tuneledger/py.typed" "$stage/tuneledger/"
    # The library under its SONAME, the name the module loads.
    cp "$library" "$stage/tuneledger/libtuneledger.so.1"
    "$python" -m build --no-isolation --wheel --outdir "$dist" "$stage"
    ls -l "$dist"
    ;;
  venv)
    [ $# -eq 4 ] || fail "usage: $0 venv PYTHON DIST VENV"
    venv="$4"
    new_venv "$2" "$venv" "$3"
    "$venv/bin/python" -m pip list --disable-pip-version-check
    # From a folder of its own, with no library path: the module must find its library beside it.
    mkdir -p "$venv.cwd"
    cd "$venv.cwd"
    env -u LD_LIBRARY_PATH -u PYTHONPATH "$venv/bin/python" -c '
import os, sys, tuneledger
assert os.path.dirname(tuneledger.__file__).startswith(sys.prefix), tuneledger.__file__
print("tuneledger", tuneledger.__version__, "from", os.path.dirname(tuneledger.__file__))
print(tuneledger.entry(4))
hits = [hit.index for hit in tuneledger.filter_hits(["love", "(x"])]
print("filter love;(x; hits", hits)
assert hits == [77, 110, 304, 409, 410, 462, 1661], hits
print([hit.text for hit in tuneledger.hits("Björn")])
'
    ;;
  pytest)
    [ $# -ge 4 ] || fail "usage: $0 pytest PYTHON DIST VENV [PYTEST ARGS]"
    venv="$4"
    new_venv "$2" "$venv" "$3" --system-site-packages
    shift 4
    # Nothing may land in the source tree: no bytecode, no pytest cache.
    PYTHONDONTWRITEBYTECODE=1 "$venv/bin/python" -m pytest -p no:cacheprovider "$@"
    ;;
  *)
    fail "usage: $0 wheel|venv|pytest ..."
    ;;
esac

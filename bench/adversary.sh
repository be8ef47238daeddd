#!/usr/bin/env bash
# Runs the adversary (adversary.cpp) under callgrind, which counts the instructions of every
# call it tries; prints the slowest call of each family beside the literal method and SQLite:
#
#   bench/adversary.sh build/bench/bench/tuneledger_adversary [--seconds=N] [--seed=N]
#                      [--family=PART] [--keep=bench/adversary_classes.inc]
#
# The progress (each family's slowest call as it is found) goes to standard error.
set -euo pipefail
driver=$1
shift
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
valgrind --tool=callgrind --callgrind-out-file="$scratch/out" --dump-instr=no --dump-line=no \
  "$driver" --dumps="$scratch/out" "$@" 2> >(grep --line-buffered -v '^==' >&2)

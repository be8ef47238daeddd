#!/usr/bin/env bash
# Prints the instructions each query class costs per call (paging classes: per walk through
# every hit), counted by callgrind, one line per class, start and method:
#
#   bench/callgrind.sh build/bench/bench/tuneledger_callgrind [--peers] [NAME_PART]
#
# The counts repeat from run to run whatever else the machine does, so they are what two builds
# are compared by. See callgrind_driver.cpp for what is counted.
set -euo pipefail
driver=$1
shift
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
valgrind --tool=callgrind --callgrind-out-file="$scratch/out" "$driver" "$@" >/dev/null 2>"$scratch/log" || {
  cat "$scratch/log" >&2
  exit 1
}
printf '%-22s %6s %-16s %14s\n' "query class" start method instructions
# Each dump is named by the client request that made it: "<class> <start> <method>".
for dump in $(ls "$scratch"/out.* | sed "s/.*\.//" | sort -n | sed "s|^|$scratch/out.|"); do
  name=$(sed -n 's/^desc: Trigger: Client Request: //p' "$dump")
  [ -n "$name" ] || continue
  total=$(sed -n 's/^summary: //p' "$dump")
  read -r class start method <<< "$name"
  printf '%-22s %6s %-16s %14s\n' "$class" "$start" "$method" "$total"
done

#!/usr/bin/env bash
# The command-line host beside grep: paging through every hit of a common text with the output
# piped, and start-up beside a C program that does nothing (/bin/true) and a C host of the library.
#
#   bench/cli_vs_grep.sh [BUILD_DIR]      (default build/release; tools/setup.sh bench installs
#                                          hyperfine and valgrind's figures need valgrind)
#
# With hyperfine the times are medians and minima over many runs; without it, a plain loop's average.
# With valgrind the instruction counts follow, which repeat from run to run on a busy machine.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build/release}"
cli="$build/cli/tuneledger"
chart=data/chart.txt
[ -x "$cli" ] || { echo "no $cli: build it first (cmake --build --preset release)" >&2; exit 2; }

# Each pair: a label and a command. grep -a reads the chart's odd bytes as text rather than
# stopping at the first with "binary file matches"; both forms are shown.
labels=("tuneledger search e --all" "grep -i -F e" "grep -a -i -F e"
        "tuneledger --version" "tuneledger get 0" "/bin/true")
commands=("$cli search e --all" "grep -i -F e $chart" "grep -a -i -F e $chart"
          "$cli --version" "$cli get 0" "/bin/true")
# A C program that links the same shared library: what start-up costs any host of it.
c_host="$build/tests/tuneledger_header_c_test"
if [ -x "$c_host" ]; then
  labels+=("C host of the library")
  commands+=("$c_host")
fi

echo "lines written: tuneledger $("$cli" search e --all | wc -l), grep -a $(grep -a -i -F e "$chart" | wc -l)"
echo
if command -v hyperfine >/dev/null; then
  # --output=pipe: grep stops at its first match when its output is /dev/null.
  export_file="$(mktemp)"
  trap 'rm -f "$export_file"' EXIT
  hyperfine --shell=none --output=pipe --warmup 20 --min-runs 200 --export-csv "$export_file" \
    "${commands[@]}" >/dev/null 2>&1
  # Medians and minima: on a shared machine other work lengthens some runs.
  printf '%-28s %12s %12s\n' "command" "median ms" "min ms"
  tail -n +2 "$export_file" | while IFS=, read -r _ _ _ median _ _ min _; do
    awk -v l="${labels[0]}" -v m="$median" -v s="$min" 'BEGIN { printf "%-28s %12.3f %12.3f\n", l, m * 1000, s * 1000 }'
    labels=("${labels[@]:1}")
  done
else
  runs=200
  printf '%-28s %12s\n' "command" "mean ms"
  for i in "${!commands[@]}"; do
    start=$(date +%s%N)
    for ((r = 0; r < runs; r++)); do ${commands[$i]} | cat >/dev/null; done
    end=$(date +%s%N)
    awk -v l="${labels[$i]}" -v t="$((end - start))" -v n="$runs" 'BEGIN { printf "%-28s %12.3f\n", l, t / n / 1e6 }'
  done
fi

if command -v valgrind >/dev/null; then
  echo
  printf '%-28s %14s\n' "command" "instructions"
  log="$(mktemp)"
  for i in "${!commands[@]}"; do
    # Output into a pipe, as above.
    valgrind --tool=callgrind --callgrind-out-file=/dev/null ${commands[$i]} 2>"$log" | cat >/dev/null
    count=$(sed -n 's/.*refs: *\([0-9,]*\).*/\1/p' "$log")
    printf '%-28s %14s\n' "${labels[$i]}" "$count"
  done
  rm -f "$log"
fi

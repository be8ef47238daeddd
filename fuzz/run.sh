#!/usr/bin/env bash
# Runs each libFuzzer target of a fuzz build for a bounded time, from the committed corpus and
# dictionary, and fails on the first finding (a mismatch with the reference model, a sanitizer
# report, a timeout). New inputs go to a scratch folder; a finding is kept under the build folder.
#
#   fuzz/run.sh [SECONDS_PER_TARGET] [BUILD_DIR]      defaults: 60, build/fuzz
set -euo pipefail
seconds=${1:-60}
build=$(cd "${2:-build/fuzz}" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
findings=$build/fuzz-findings
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$findings"

export ASAN_OPTIONS=detect_stack_use_after_return=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1

status=0
for target in lookup text_search term_filter; do
  mkdir -p "$scratch/$target"
  log=$findings/$target.log
  echo "fuzzing $target for ${seconds}s"
  if "$build/fuzz/tuneledger_fuzz_$target" "$scratch/$target" "$here/corpus/$target" \
      -dict="$here/tuneledger.dict" -max_total_time="$seconds" -max_len=8192 -timeout=60 \
      -print_final_stats=1 -artifact_prefix="$findings/$target-" >"$log" 2>&1; then
    grep -E "^stat::(number_of_executed_units|average_exec_per_sec|peak_rss_mb)|^#[0-9]+ +DONE" "$log" || true
  else
    echo "FAILED: $target (full log: $log)"
    tail -n 60 "$log"
    status=1
  fi
done
exit $status

#!/usr/bin/env bash
# Runs every benchmark program of a release build.
#   run-benchmarks.sh BUILD_DIR
set -euo pipefail
build="$1"
status=0
for bench in "$build"/bench/*_bench; do
  [ -x "$bench" ] || continue
  echo "== $(basename "$bench")"
  "$bench" --benchmark_counters_tabular=true || status=1
done
exit $status

#!/usr/bin/env bash
# fuzz-long.sh [SECONDS | --runs N] [TARGET...]
# A longer fuzzing campaign than the bounded run of the test suite: builds the
# "fuzz" preset and runs each target (default: every target of fuzz/) for
# SECONDS (default 3600), or for N runs (e.g. --runs 10000000), from its
# committed corpus. New inputs and crash
# artifacts stay in build/fuzz/fuzz-work/<target>/; once a crash is fixed, its
# input is kept as fuzz/corpus/<target>/regression_<what_it_broke>.bin.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
seconds="${1:-3600}"
runs=""
if [ "${1:-}" = "--runs" ]; then
  runs="$2"
  seconds=0
  shift 2
else
  shift || true
fi
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for source in fuzz/*_fuzzer.cpp; do
    name=$(basename "$source" .cpp)
    targets+=("$name")
  done
fi
cmake --preset fuzz >/dev/null
cmake --build build/fuzz -j2 --target "${targets[@]}"
for target in "${targets[@]}"; do
  echo "== $target for ${runs:-${seconds}s}${runs:+ runs}"
  KVEL_FUZZ_RUNS="$runs" ASAN_OPTIONS=detect_leaks=1 scripts/run-fuzzer.sh \
    "build/fuzz/fuzz/$target" "fuzz/corpus/$target" "build/fuzz/fuzz-work/$target" "$seconds"
done

#!/usr/bin/env bash
# run-fuzzer.sh FUZZER CORPUS_DIR WORK_DIR SECONDS
# Replays the committed corpus (seeds and named regression inputs), then fuzzes
# for SECONDS (or, with KVEL_FUZZ_RUNS set, for that many runs) with new
# inputs kept in WORK_DIR, never in the repository.
set -euo pipefail
fuzzer="$1" corpus="$2" work="$3" seconds="$4"
mkdir -p "$work/new"
if [ -d "$corpus" ]; then
  "$fuzzer" -runs=0 "$corpus"
fi
limit=(-max_total_time="$seconds")
if [ -n "${KVEL_FUZZ_RUNS:-}" ]; then limit=(-runs="$KVEL_FUZZ_RUNS"); fi
"$fuzzer" "${limit[@]}" -timeout=10 -rss_limit_mb=2048 \
  -artifact_prefix="$work/" "$work/new" ${corpus:+$( [ -d "$corpus" ] && echo "$corpus")}

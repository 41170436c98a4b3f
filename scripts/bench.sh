#!/usr/bin/env bash
# The throughput benchmark (never part of the tests): the same file of each
# size sent natively (plain loopback copies and two kvel ends in one process)
# and under Wine (a plain loopback copy and two hosts with kvel.tpl).
#
#   scripts/bench.sh [SIZES_MIB]     default 100,1000
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
sizes="${1:-100,1000}"

bash scripts/setup-debian.sh
cmake --preset native >/dev/null
cmake --build build/native -j"$(nproc)" --target transfer_bench
cmake --preset win32 >/dev/null
cmake --build build/win32 -j"$(nproc)" --target wine_hosts_bench

echo "== native, $(nproc) cores, $(uname -sr)"
build/native/bench/transfer_bench --sizes "$sizes" --dir "${TMPDIR:-/tmp}"

source scripts/xvfb.sh
export KVEL_WINEPREFIX="$root/build/win32/wineprefix"
trap kvel_stop_xvfb EXIT
kvel_start_xvfb
echo "== under $(wine --version)"
scripts/wine-run.sh build/win32/wine_hosts_bench.exe --sizes "$sizes"

#!/usr/bin/env bash
# The throughput benchmark (never part of the tests): the same file of each
# size sent natively (plain loopback copies and two kvel ends in one process)
# and under Wine (a plain loopback copy and two hosts with kvel.tpl). Under
# Wine it runs the build this machine can run, as scripts/test.sh chooses
# (the win32 build, or the win64 test build where 32-bit programs cannot
# run), and says which.
#
#   scripts/bench.sh [SIZES_MIB]     default 100,1000
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
sizes="${1:-100,1000}"

bash scripts/setup-debian.sh
source scripts/windows-build.sh
kvel_choose_windows_build || exit 1
preset="$KVEL_WINDOWS_PRESET"
echo "== under Wine: the $preset build, because $KVEL_WINDOWS_REASON"
cmake --preset native >/dev/null
cmake --build build/native -j"$(nproc)" --target transfer_bench
cmake --preset "$preset" >/dev/null
cmake --build "build/$preset" -j"$(nproc)" --target wine_hosts_bench

echo "== native, $(nproc) cores, $(uname -sr)"
build/native/bench/transfer_bench --sizes "$sizes" --dir "${TMPDIR:-/tmp}"

source scripts/xvfb.sh
export KVEL_WINEPREFIX="$root/build/$preset/wineprefix"
trap kvel_stop_xvfb EXIT
kvel_start_xvfb
loader="$KVEL_WINE_DIR/wine"
if [ "$preset" = win64 ]; then loader="$KVEL_WINE_DIR/wine64"; fi
echo "== the $preset build under $("$loader" --version)"
scripts/wine-run.sh "build/$preset/wine_hosts_bench.exe" --sizes "$sizes"

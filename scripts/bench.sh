#!/usr/bin/env bash
# The throughput benchmark (never part of the tests). Each series moves the
# same files with kvel's two ends, with plain loopback copies and, as the
# ceiling, with a socket-only copy, round after round, kvel and the copies in
# alternating order, dropping the files from the page cache before each run
# (see BENCHMARKS.md).
#
#   natively     one transfer of each size, then 1, 4 and 16 at once, each
#                pair of ends over its own 127.0.0.x; then the same with the
#                loopback's MTU at 1500 in a network namespace, where the
#                machine allows one (root and `unshare -n`)
#   at a limit   kvel's ends alone at a speed limit (20000 KB/s), one and four
#                transfers at once, with how close each run came, natively
#                and under Wine, after the first series of each
#   under Wine   the same program, and one file at a time between two hosts
#                that load kvel.tpl; the build this machine can run, as
#                scripts/test.sh chooses (win32, or the win64 test build where
#                32-bit programs cannot run), and it says which
#
#   scripts/bench.sh [SIZES_MIB] [CONCURRENT]    defaults 100 and 1,4,16
#   KVEL_BENCH_TOTAL_MIB=1024  the files of the transfers at once, together
#   KVEL_BENCH_RUNS=6          rounds of each series (even: each order as often)
#   KVEL_BENCH_DIR             where the files go (default $TMPDIR or /tmp)
#   KVEL_BENCH_LIMIT_KB=20000  the speed limit of kvel's series at a limit
#                              (natively and under Wine, one and four at once)
#   KVEL_SKIP_SETUP=1          skips scripts/setup-debian.sh (all installed)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
sizes="${1:-100}"
concurrent="${2:-1,4,16}"
total="${KVEL_BENCH_TOTAL_MIB:-1024}"
runs="${KVEL_BENCH_RUNS:-6}"
dir="${KVEL_BENCH_DIR:-${TMPDIR:-/tmp}}"

if [ "${KVEL_SKIP_SETUP:-0}" != 1 ]; then bash scripts/setup-debian.sh; fi
source scripts/windows-build.sh
kvel_choose_windows_build || exit 1
preset="$KVEL_WINDOWS_PRESET"
cmake --preset native >/dev/null
cmake --build build/native -j"$(nproc)" --target transfer_bench
cmake --preset "$preset" >/dev/null
cmake --build "build/$preset" -j"$(nproc)" --target transfer_bench wine_hosts_bench

echo "== machine: $(nproc) cores, $(sed -n 's/^model name\s*: //p' /proc/cpuinfo | head -n 1)," \
  "$(free -g | awk '/^Mem:/ {print $2}') GiB, $(uname -sr)," \
  "$(. /etc/os-release && echo "$PRETTY_NAME"), $(df -h "$dir" | awk 'NR == 2 {print $4}') free in $dir"
echo "== code: $(git describe --always --dirty 2>/dev/null || echo unknown), $(date -u +%Y-%m-%dT%H:%MZ)"
echo "== load: $(uptime)"
limit="${KVEL_BENCH_LIMIT_KB:-20000}"
options=(--sizes "$sizes" --concurrent "$concurrent" --total "$total" --runs "$runs")
# kvel's ends at a speed limit, one and four transfers: run with the first series.
limited=(--limit "$limit" --limited 1,4)

source scripts/netns.sh
echo "== native, the loopback's MTU at $(cat /sys/class/net/lo/mtu), $(g++ --version | head -n 1)"
kvel_in_own_netns build/native/bench/transfer_bench "${options[@]}" "${limited[@]}" --dir "$dir"

# A namespace of its own has a loopback of its own, down until brought up.
if [ "$(id -u)" -eq 0 ] && unshare -n true 2>/dev/null; then
  echo "== native, the loopback's MTU at 1500 in a network namespace; load: $(uptime)"
  unshare -n sh -c 'ip link set lo mtu 1500 up && exec "$@"' sh \
    build/native/bench/transfer_bench "${options[@]}" --dir "$dir" --label "loopback MTU 1500"
else
  echo "== native, the loopback's MTU at 1500: skipped, this machine makes no network namespace for this user (needs root and unshare -n)"
fi

source scripts/xvfb.sh
export KVEL_WINEPREFIX="$root/build/$preset/wineprefix"
trap kvel_stop_xvfb EXIT
kvel_start_xvfb
loader="$KVEL_WINE_DIR/wine"
if [ "$preset" = win64 ]; then loader="$KVEL_WINE_DIR/wine64"; fi
windows_dir="Z:${dir//\//\\}"
echo "== the $preset build under $("$loader" --version), because $KVEL_WINDOWS_REASON; load: $(uptime)"
kvel_in_own_netns scripts/wine-run.sh "build/$preset/transfer_bench.exe" "${options[@]}" \
  "${limited[@]}" --dir "$windows_dir"
echo "== two hosts with kvel.tpl, the $preset build under Wine; load: $(uptime)"
# Wine's file dialogs cannot read the root volume's label; it says so on each.
kvel_in_own_netns scripts/wine-run.sh "build/$preset/wine_hosts_bench.exe" --sizes "$sizes,$total" \
  --runs "$runs" 2> >(grep -v --line-buffered 'Read access denied for device' >&2)
echo "== load: $(uptime)"

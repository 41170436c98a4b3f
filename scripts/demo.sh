#!/usr/bin/env bash
# The main job: builds kvel.tpl, the stand-in host and server, then runs the
# demonstration under Wine and Xvfb: two hosts, each with kvel.tpl, exchange a
# file and an image in both directions; then one sends three files at once to
# a host that takes two of them without asking; then 1001 sits behind a home
# router that maps its port (network namespaces of its own), and 1002 sends it
# a file from the internet side, directly through the mapping. The report is printed and kept
# in results/ with screenshots of the transfer window, both chat pages and PNG
# renderings of them, and a picture of each host's contact list.
#
# The hosts run the build this machine can run: the win32 build (the shipped
# kvel.tpl) under 32-bit Wine where 32-bit programs run, else the win64 test
# build under 64-bit Wine (KVEL_FORCE_WIN64=1 forces that). The report's first
# line says which, and why.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

# KVEL_SKIP_SETUP=1 skips the set-up (everything installed; no browser needed).
if [ "${KVEL_SKIP_SETUP:-0}" != 1 ]; then bash scripts/setup-debian.sh --with-browser; fi
source scripts/windows-build.sh
kvel_choose_windows_build || exit 1
preset="$KVEL_WINDOWS_PRESET"
build_line="Windows build: $preset under Wine, because $KVEL_WINDOWS_REASON"
echo "$build_line"
# The shipped plug-in is built whichever build the hosts run.
cmake --preset win32 >/dev/null
cmake --build build/win32 -j"$(nproc)" --target kvel
cmake --preset "$preset" >/dev/null
cmake --build "build/$preset" -j"$(nproc)" --target kvel kvel_host kvel_demo

source scripts/xvfb.sh
export KVEL_WINEPREFIX="$root/build/$preset/wineprefix"
trap kvel_stop_xvfb EXIT
kvel_start_xvfb

results="$root/results"
rm -rf "$results"
mkdir -p "$results"
windows_results="Z:${results//\//\\}"
status=0
echo "$build_line" >"$results/report.txt"
source scripts/netns.sh
# Wine's file dialogs cannot read the root volume's label; it says so on each.
# In a network namespace of its own, as the tests.
kvel_in_own_netns scripts/wine-run.sh "build/$preset/kvel_demo.exe" "$windows_results" \
  "${KVEL_DEMO_MIB:-64}" 2> >(grep -v --line-buffered 'Read access denied for device' >&2) |
  iconv -f cp1250 -t utf-8 | tee -a "$results/report.txt" || status=1
# 1001 behind a home router that maps its port, 1002 on the internet side,
# with the native stand-in server there.
cmake --preset native >/dev/null
cmake --build build/native -j"$(nproc)" --target kvel_gg_server
kvel_in_own_netns python3 harness/home_router/e2e.py "build/$preset" build/native/harness/kvel_gg_server \
  --report "$results/report.txt" || status=1

browser=1
if ! command -v chromium >/dev/null 2>&1; then
  browser=0
  finding=$(kvel_setup_finding chromium)
  echo "PNG renderings of the chat pages skipped: Chromium is not installed${finding:+ ($finding)}" |
    tee -a "$results/report.txt"
fi
for page in "$results"/*.html; do
  [ "$browser" -eq 1 ] && [ -f "$page" ] || continue
  chromium --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
    --disable-background-networking --disable-component-update --disable-sync \
    --user-data-dir="$(mktemp -d)" --allow-file-access-from-files \
    --window-size=900,700 --screenshot="${page%.html}.png" "file://$page" >/dev/null 2>&1 || true
done
echo
echo "results in $results:"
ls -1 "$results" | grep -v '^world$' | sed 's/^/  /'
exit $status

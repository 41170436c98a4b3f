#!/usr/bin/env bash
# The main job: builds kvel.tpl and the stand-in host, loads the plug-in into
# the host under Wine with a fresh profile directory and reports what it
# registered and logged; results go to results/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

bash scripts/setup-debian.sh
cmake --preset win32 >/dev/null
cmake --build build/win32 -j"$(nproc)" --target kvel kvel_host

source scripts/xvfb.sh
export KVEL_WINEPREFIX="$root/build/win32/wineprefix"
trap kvel_stop_xvfb EXIT
kvel_start_xvfb

results="$root/results"
mkdir -p "$results"
profile="$results/profile"
rm -rf "$profile"
mkdir -p "$profile"
printf '[p2p]\nlocal-port=15600\nextern-ip=127.0.0.1\nextern-port=15600\n[cl]\nicons=15\n' \
  >"$profile/kvel.config"
scripts/wine-run.sh build/win32/kvel_host.exe --profile "Z:${profile//\//\\}" | tee "$results/report.txt"
echo "report written to $results/report.txt"

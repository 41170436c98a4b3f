#!/usr/bin/env bash
# Runs a Windows program of the win32 build under Wine: a 32-bit prefix inside
# the build folder, no Wine debug output, the Polish locale. Used by ctest as
# the cross-compiling emulator and by the demonstration.
set -euo pipefail
program="$1"
shift
build_dir="${KVEL_WIN32_BUILD:-$(cd "$(dirname "$program")" && pwd)}"
export WINEPREFIX="${WINEPREFIX:-$build_dir/wineprefix}"
export WINEARCH=win32
export WINEDEBUG=-all
export LANG="${KVEL_LANG:-pl_PL.UTF-8}"
export LC_ALL="$LANG"
# No Mono or Gecko installer prompts when the prefix is made.
export WINEDLLOVERRIDES="mscoree,mshtml=;${WINEDLLOVERRIDES:-}"
if [ ! -f "$WINEPREFIX/.kvel-ready" ]; then
  mkdir -p "$WINEPREFIX"
  (
    flock 9
    if [ ! -f "$WINEPREFIX/.kvel-ready" ]; then
      wineboot -i >/dev/null 2>&1 || true
      wineserver -w || true
      touch "$WINEPREFIX/.kvel-ready"
    fi
  ) 9>"$build_dir/.wineprefix.lock"
fi
exec wine "$program" "$@"

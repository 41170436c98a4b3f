#!/usr/bin/env bash
# Runs a Windows program of the win32 or win64 build under Wine: a prefix of
# the program's own bitness inside its build folder, no Wine debug output, the
# Polish locale. Used by ctest as the cross-compiling emulator and by the
# demonstration and the benchmark. A 32-bit program runs under 32-bit Wine, a
# 64-bit one under 64-bit Wine (Debian's wine64 loader, which is not on the
# PATH); a mismatch with the machine or the prefix is said plainly.
set -euo pipefail
program="$1"
shift
source "$(dirname "$0")/windows-build.sh"

# The PE header's machine field: 014c for i386, 8664 for x86-64.
pe_machine() {
  local offset
  offset=$(od -An -t u4 -j 60 -N 4 "$1" 2>/dev/null | tr -d ' ')
  [ -n "$offset" ] || return 1
  od -An -t x2 -j $((offset + 4)) -N 2 "$1" 2>/dev/null | tr -d ' '
}

machine=$(pe_machine "$program" || true)
case "$machine" in
  014c)
    bits=32 arch=win32 loader="$KVEL_WINE_DIR/wine"
    if ! kvel_runs_32bit; then
      echo "wine-run.sh: $program is a 32-bit Windows program, and this machine refuses 32-bit programs; use the 64-bit test build (cmake --preset win64)" >&2
      exit 1
    fi
    ;;
  8664) bits=64 arch=win64 loader="$KVEL_WINE_DIR/wine64" ;;
  *)
    echo "wine-run.sh: $program is not a 32-bit or 64-bit x86 Windows program" >&2
    exit 1
    ;;
esac
if ! kvel_wine_works "$loader"; then
  echo "wine-run.sh: $program needs ${bits}-bit Wine, and $loader does not run (scripts/setup-debian.sh installs it)" >&2
  exit 1
fi

build_dir="${KVEL_WIN32_BUILD:-$(cd "$(dirname "$program")" && pwd)}"
export WINEPREFIX="${WINEPREFIX:-$build_dir/wineprefix}"
export WINEARCH="$arch"
export WINELOADER="$loader"
export WINEDEBUG=-all
export LANG="${KVEL_LANG:-pl_PL.UTF-8}"
export LC_ALL="$LANG"
# No Mono or Gecko installer prompts when the prefix is made.
export WINEDLLOVERRIDES="mscoree,mshtml=;${WINEDLLOVERRIDES:-}"

# Wine writes the prefix's architecture into system.reg ("#arch=win32").
if [ -f "$WINEPREFIX/system.reg" ]; then
  prefix_arch=$(sed -n 's/^#arch=//p' "$WINEPREFIX/system.reg" | head -n 1)
  if [ -n "$prefix_arch" ] && [ "$prefix_arch" != "$arch" ]; then
    echo "wine-run.sh: $program is a ${bits}-bit program, but the prefix $WINEPREFIX is a $prefix_arch one; use a prefix of its own build folder, or remove this one" >&2
    exit 1
  fi
fi
if [ ! -f "$WINEPREFIX/.kvel-ready" ]; then
  mkdir -p "$WINEPREFIX"
  (
    flock 9
    if [ ! -f "$WINEPREFIX/.kvel-ready" ]; then
      "$loader" wineboot -i >/dev/null 2>&1 || true
      wineserver -w || true
      touch "$WINEPREFIX/.kvel-ready"
    fi
  ) 9>"$build_dir/.wineprefix.lock"
fi
exec "$loader" "$program" "$@"

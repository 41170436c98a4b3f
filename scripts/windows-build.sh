# Sourced by the scripts that run Windows programs: finds out which Windows
# build this machine can run under Wine, by trying rather than guessing.
#
#   kvel_choose_windows_build   sets KVEL_WINDOWS_PRESET (win32 or win64) and
#                               KVEL_WINDOWS_REASON, or says what is missing
#                               and returns 1
#   kvel_runs_32bit             true when this machine runs 32-bit x86 programs
#
# The shipped kvel.tpl is always the 32-bit build. Where the kernel refuses
# 32-bit programs, the 64-bit test build (preset win64) runs the same Windows
# code under 64-bit Wine instead. KVEL_FORCE_WIN64=1 takes that path on any
# machine, so both can be tried anywhere.

# Debian's Wine loaders: `wine` (32-bit, package wine32) and `wine64`
# (package wine64); the latter is not on the PATH.
KVEL_WINE_DIR="${KVEL_WINE_DIR:-/usr/lib/wine}"

# What the set-up found (scripts/setup-debian.sh writes it): lines of
# key=value, such as "wine32=failed: <apt's reason>".
KVEL_SETUP_STATE="${KVEL_SETUP_STATE:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/.kvel-setup-state}"

# Prints the set-up's finding for a key, or nothing.
kvel_setup_finding() {
  [ -f "$KVEL_SETUP_STATE" ] && sed -n "s/^$1=//p" "$KVEL_SETUP_STATE" | tail -n 1
}

# Runs a 32-bit x86 Linux program of 93 bytes that only exits with status 0
# (the ELF header, one program header, then mov eax,1; xor ebx,ebx; int 0x80).
# A kernel without 32-bit support answers "Exec format error".
kvel_runs_32bit() {
  local probe status
  # The set-up's own test decides for it, so that it covers both kinds.
  if [ -n "${KVEL_ASSUME_RUNS_32BIT:-}" ]; then [ "$KVEL_ASSUME_RUNS_32BIT" = 1 ]; return; fi
  probe=$(mktemp "${TMPDIR:-/tmp}/kvel-i386-probe.XXXXXX")
  printf '\177ELF\001\001\001\000\000\000\000\000\000\000\000\000' >"$probe"
  printf '\002\000\003\000\001\000\000\000\124\200\004\010\064\000\000\000' >>"$probe"
  printf '\000\000\000\000\000\000\000\000\064\000\040\000\001\000\000\000' >>"$probe"
  printf '\000\000\000\000\001\000\000\000\000\000\000\000\000\200\004\010' >>"$probe"
  printf '\000\200\004\010\135\000\000\000\135\000\000\000\005\000\000\000' >>"$probe"
  printf '\000\020\000\000\270\001\000\000\000\061\333\315\200' >>"$probe"
  chmod +x "$probe"
  status=0
  "$probe" >/dev/null 2>&1 || status=$?
  rm -f "$probe"
  return "$status"
}

# True when `loader` starts and reports Wine's version.
kvel_wine_works() {
  [ -x "$1" ] && "$1" --version >/dev/null 2>&1
}

kvel_choose_windows_build() {
  local wine32_ok=0 wine64_ok=0 runs32=0
  if kvel_runs_32bit; then runs32=1; fi
  if [ "$runs32" -eq 1 ] && kvel_wine_works "$KVEL_WINE_DIR/wine"; then wine32_ok=1; fi
  if kvel_wine_works "$KVEL_WINE_DIR/wine64"; then wine64_ok=1; fi

  if [ "${KVEL_FORCE_WIN64:-0}" = "1" ]; then
    if [ "$wine64_ok" -ne 1 ]; then
      echo "KVEL_FORCE_WIN64=1 asks for 64-bit Wine, but $KVEL_WINE_DIR/wine64 does not run (install wine64)" >&2
      return 1
    fi
    KVEL_WINDOWS_PRESET=win64
    KVEL_WINDOWS_REASON="KVEL_FORCE_WIN64=1 forces the 64-bit test build"
  elif [ "$wine32_ok" -eq 1 ]; then
    KVEL_WINDOWS_PRESET=win32
    KVEL_WINDOWS_REASON="this machine runs 32-bit programs and 32-bit Wine"
  elif [ "$wine64_ok" -eq 1 ]; then
    KVEL_WINDOWS_PRESET=win64
    local finding
    finding=$(kvel_setup_finding wine32)
    if [ "$runs32" -eq 1 ] && [ "${finding#failed: }" != "$finding" ]; then
      KVEL_WINDOWS_REASON="32-bit Wine is not installed (the set-up could not install it: ${finding#failed: }); 64-bit Wine runs; run scripts/setup-debian.sh again later for the 32-bit path"
    elif [ "$runs32" -eq 1 ]; then
      KVEL_WINDOWS_REASON="32-bit Wine does not run here ($KVEL_WINE_DIR/wine); 64-bit Wine does"
    else
      KVEL_WINDOWS_REASON="this machine refuses 32-bit programs; 64-bit Wine runs"
    fi
  else
    if [ "$runs32" -eq 1 ]; then
      echo "no working Wine: neither $KVEL_WINE_DIR/wine (wine32) nor $KVEL_WINE_DIR/wine64 (wine64) runs; install them (scripts/setup-debian.sh)" >&2
    else
      echo "no working Wine: this machine refuses 32-bit programs, and $KVEL_WINE_DIR/wine64 (package wine64) does not run; install wine64 (scripts/setup-debian.sh)" >&2
    fi
    return 1
  fi
  export KVEL_WINDOWS_PRESET KVEL_WINDOWS_REASON
}

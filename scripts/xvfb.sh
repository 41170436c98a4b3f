# Sourced by the scripts that run Windows programs: starts Xvfb on a free
# display for this shell and stops it, and this build's wineserver, on exit.
kvel_start_xvfb() {
  local n
  for n in $(seq 91 160); do
    if [ ! -e "/tmp/.X${n}-lock" ] && [ ! -e "/tmp/.X11-unix/X${n}" ]; then
      Xvfb ":${n}" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
      KVEL_XVFB_PID=$!
      export DISPLAY=":${n}"
      for _ in $(seq 1 50); do
        [ -e "/tmp/.X11-unix/X${n}" ] && return 0
        sleep 0.1
      done
      kill "$KVEL_XVFB_PID" 2>/dev/null || true
    fi
  done
  echo "no free display for Xvfb" >&2
  return 1
}

kvel_stop_xvfb() {
  if [ -n "${KVEL_WINEPREFIX:-}" ] && [ -d "$KVEL_WINEPREFIX" ]; then
    WINEPREFIX="$KVEL_WINEPREFIX" wineserver -k >/dev/null 2>&1 || true
  fi
  if [ -n "${KVEL_XVFB_PID:-}" ]; then
    kill "$KVEL_XVFB_PID" 2>/dev/null || true
    wait "$KVEL_XVFB_PID" 2>/dev/null || true
  fi
}

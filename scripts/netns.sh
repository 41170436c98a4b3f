# Sourced by the scripts that run tests, the demonstration and the benchmark:
# runs a command in a network namespace of its own, where only its own
# loopback exists, so that nothing it starts (kvel's search for a router
# included) reaches the machine's network.
#
#   kvel_in_own_netns COMMAND...   runs COMMAND there, or, where no namespace
#                                  can be made (needs root and unshare -n),
#                                  as it is, after one line saying so
#
# Wine makes its sockets in the wineserver, which lives in the namespace it
# started in: a wineserver of KVEL_WINEPREFIX still running from an earlier
# run is ended first, so that the command starts one inside.
kvel_in_own_netns() {
  if [ -n "${KVEL_WINEPREFIX:-}" ] && [ -d "$KVEL_WINEPREFIX" ]; then
    WINEPREFIX="$KVEL_WINEPREFIX" wineserver -k >/dev/null 2>&1 || true
  fi
  if [ "$(id -u)" -eq 0 ] && unshare -n true 2>/dev/null; then
    unshare -n sh -c 'ip link set lo up && exec "$@"' sh "$@"
  else
    echo "== no network namespace can be made here (needs root and unshare -n): the plug-in tests and the stand-in hosts write upnp=0, the home-router tests say they were skipped"
    "$@"
  fi
}

#!/usr/bin/env bash
# Installs the prerequisites of both builds on Debian 12. Safe to run again:
# it installs only what is missing and never upgrades what is there.
#
#   step 1  what every path needs (compilers, cmake, mingw for both targets,
#           wine64, Xvfb, the Polish locale); a failure here stops the set-up
#   step 2  32-bit Wine (the i386 architecture and wine32:i386), on machines
#           that run 32-bit programs; a failure here is told in one line, and
#           the scripts then use the 64-bit test build
#   step 3  Debian's source package of miniupnpc, which the Windows builds
#           compile and link statically, fetched once into third_party/ with
#           an apt source list, lists and cache of the set-up's own (the
#           machine's apt configuration stays as it is); a failure is told in
#           one line, and the Windows builds then go without the port mapping
#
# third_party/ sits beside build/, not in it, so that `rm -rf build` never
# asks the mirror again: what was fetched once is kept (git ignores it).
#
# --with-browser adds headless Chromium, which only the demonstration uses to
# render its chat pages; a failure to install it is told, not fatal.
#
# What step 2 and the browser came to is kept in the state file
# (.kvel-setup-state in the checkout, or KVEL_SETUP_STATE), which the scripts
# read to say why they run the build they run.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/windows-build.sh"

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive

with_browser=0
if [ "${1:-}" = "--with-browser" ]; then with_browser=1; fi

state_file="${KVEL_SETUP_STATE:-$root/.kvel-setup-state}"
locale_gen_file="${KVEL_LOCALE_GEN_FILE:-/etc/locale.gen}"
# apt's own output goes here; the set-up prints one line per finding.
apt_log=$(mktemp "${TMPDIR:-/tmp}/kvel-setup-apt.XXXXXX")
trap 'rm -f "$apt_log"' EXIT

# The whole `apt-get update`, retried, is bounded to about a minute.
update_attempts="${KVEL_APT_UPDATE_ATTEMPTS:-4}"
update_pause="${KVEL_APT_UPDATE_PAUSE:-10}"

every_path_packages=(
  cmake make ninja-build g++ clang clang-format libclang-rt-14-dev llvm
  googletest
  mingw-w64 g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix binutils-mingw-w64-i686
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  wine wine64 xvfb x11-apps imagemagick
  locales python3
  libminiupnpc-dev miniupnpd-nftables nftables dpkg-dev iproute2
)
wine32_packages=(wine32:i386)

installed() {
  dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"
}

# Prints the packages of the arguments that are not installed yet.
missing_of() {
  local p
  for p in "$@"; do
    if ! installed "$p"; then echo "$p"; fi
  done
}

# apt's reason for its last failure, in a few words: the first error line of
# that call, with addresses shortened to their last two parts.
apt_reason=""
note_apt_failure() {
  apt_reason=$(grep -E '^E:' "$apt_log" | head -n 1 | sed -E \
    -e 's/^E: *//' -e 's/ *\[IP: [^]]*\]//' -e 's#[a-z]+://[^ ]*/([^/ ]+/[^/ ]+)#.../\1#g' -e 's/  +/ /g')
  if [ -z "$apt_reason" ]; then apt_reason="apt-get $1 failed"; fi
  apt_reason="${apt_reason:0:160}"
}

apt_get() {
  : >"$apt_log"
  if $SUDO apt-get "$@" >"$apt_log" 2>&1; then return 0; fi
  note_apt_failure "$1"
  return 1
}

# Retries a failed `apt-get update` a few times with a short pause; if it
# still fails, says so and goes on with the lists apt has.
apt_update() {
  local attempt
  for attempt in $(seq 1 "$update_attempts"); do
    if apt_get update -q -o Acquire::http::Timeout=10; then
      return 0
    fi
    if [ "$attempt" -lt "$update_attempts" ]; then sleep "$update_pause"; fi
  done
  echo "setup: apt-get update failed $update_attempts times ($apt_reason); going on with the package lists apt has"
  return 1
}

apt_install() {
  apt_get install -y -q --no-install-recommends --no-upgrade "$@"
}

# Installs the named packages that are missing; when they fail together,
# tries each alone so that one broken package does not keep the others out.
# Leaves what is still missing afterwards in still_missing.
still_missing=""
install_missing() {
  local missing p
  still_missing=""
  mapfile -t missing < <(missing_of "$@")
  [ "${#missing[@]}" -gt 0 ] || return 0
  if ! apt_install "${missing[@]}" && [ "${#missing[@]}" -gt 1 ]; then
    local first_reason="$apt_reason"
    for p in "${missing[@]}"; do apt_install "$p" || true; done
    apt_reason="$first_reason"
  fi
  mapfile -t missing < <(missing_of "$@")
  still_missing="${missing[*]}"
}

write_state() {
  local key="$1" value="$2" tmp
  tmp=$(mktemp "${TMPDIR:-/tmp}/kvel-setup-state.XXXXXX")
  if [ -f "$state_file" ]; then grep -v "^$key=" "$state_file" >"$tmp" || true; fi
  echo "$key=$value" >>"$tmp"
  mv "$tmp" "$state_file"
}

# Step 1: what every path needs.
updated=0
step1_missing=$(missing_of "${every_path_packages[@]}")
if [ -n "$step1_missing" ]; then
  apt_update || true
  updated=1
  install_missing "${every_path_packages[@]}"
  if [ -n "$still_missing" ]; then
    echo "setup: could not install $still_missing ($apt_reason); the build needs them" >&2
    exit 1
  fi
fi

# The Polish locale for the UI tests and screenshots under Wine.
if ! locale -a 2>/dev/null | grep -qi '^pl_PL\.utf-\?8$'; then
  if ! grep -q '^pl_PL.UTF-8 UTF-8' "$locale_gen_file" 2>/dev/null; then
    echo 'pl_PL.UTF-8 UTF-8' | $SUDO tee -a "$locale_gen_file" >/dev/null
  fi
  if ! $SUDO locale-gen >/dev/null 2>&1; then
    echo "setup: locale-gen failed; Wine's windows will show no Polish letters" >&2
  fi
fi

# Step 2: 32-bit Wine, where 32-bit programs run.
if ! kvel_runs_32bit; then
  write_state wine32 "skipped: this machine refuses 32-bit programs"
elif [ -z "$(missing_of "${wine32_packages[@]}")" ]; then
  write_state wine32 installed
else
  added_arch=0
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $SUDO dpkg --add-architecture i386
    added_arch=1
  fi
  update_reason=""
  if ! apt_update >/dev/null; then update_reason="$apt_reason; "; fi
  updated=1
  install_missing "${wine32_packages[@]}"
  if [ -z "$still_missing" ]; then
    write_state wine32 installed
  else
    reason="$update_reason$apt_reason"
    echo "setup: 32-bit Wine could not be installed ($reason); the Windows tests and the demonstration will use the 64-bit test build; run scripts/setup-debian.sh again once the mirror has caught up to add the 32-bit path"
    write_state wine32 "failed: $reason"
    # Leave the machine's architectures as they were when nothing of i386
    # came in, so that its own `apt-get update` is not broken by the index.
    if [ "$added_arch" -eq 1 ] && ! dpkg-query -W -f='${Architecture}\n' 2>/dev/null | grep -qx i386; then
      $SUDO dpkg --remove-architecture i386 || true
    fi
  fi
fi

# Step 3: miniupnpc's source for the Windows builds. miniupnpd-nftables (in
# step 1) brings only the daemon's program: no service starts, nothing asks.
upnp_root="${KVEL_THIRD_PARTY:-$root/third_party}"
upnp_source() { ls -d "$upnp_root"/miniupnpc-2.2.4/ 2>/dev/null | head -n 1; }
if [ -n "$(upnp_source)" ]; then
  write_state upnp-source kept
else
  apt_own="$upnp_root/apt"
  mkdir -p "$apt_own/lists/partial" "$apt_own/cache/archives/partial" "$apt_own/parts"
  echo "deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] ${KVEL_DEBIAN_MIRROR:-http://deb.debian.org/debian} bookworm main" \
    >"$apt_own/sources.list"
  apt_own_options=(-q -o "Dir::Etc::SourceList=$apt_own/sources.list" -o "Dir::Etc::SourceParts=$apt_own/parts"
    -o "Dir::State::Lists=$apt_own/lists" -o "Dir::Cache=$apt_own/cache" -o APT::Sandbox::User=root
    -o Acquire::http::Timeout=10)
  apt_reason=""
  fetched=0
  if apt_get update "${apt_own_options[@]}"; then
    pushd "$upnp_root" >/dev/null
    if apt_get source "${apt_own_options[@]}" miniupnpc && [ -n "$(upnp_source)" ]; then fetched=1; fi
    popd >/dev/null
  fi
  if [ "$fetched" -eq 1 ]; then
    write_state upnp-source fetched
    rm -rf "$apt_own"
  else
    [ -n "$apt_reason" ] || apt_reason="no miniupnpc-2.2.4 came"
    echo "setup: miniupnpc's source could not be fetched ($apt_reason); the Windows builds go without the port mapping; run scripts/setup-debian.sh again later to add it"
    write_state upnp-source "failed: $apt_reason"
  fi
fi

if [ "$with_browser" -eq 1 ]; then
  if installed chromium; then
    write_state chromium installed
  else
    if [ "$updated" -eq 0 ]; then apt_update || true; fi
    install_missing chromium
    if [ -z "$still_missing" ]; then
      write_state chromium installed
    else
      echo "setup: Chromium could not be installed ($apt_reason); the demonstration will skip its PNG renderings"
      write_state chromium "failed: $apt_reason"
    fi
  fi
fi
echo "prerequisites ready"

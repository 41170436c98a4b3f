#!/usr/bin/env bash
# Installs every prerequisite of both builds on Debian 12. Safe to run again.
set -euo pipefail

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive

# --with-browser adds headless Chromium, which the demonstration uses to
# render the chat pages; the test suite does not need it.
with_browser=0
if [ "${1:-}" = "--with-browser" ]; then with_browser=1; fi

packages=(
  cmake make ninja-build g++ clang clang-format libclang-rt-14-dev llvm
  googletest
  mingw-w64 g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix binutils-mingw-w64-i686
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  wine wine32:i386 wine64 xvfb x11-apps imagemagick
  locales python3
)
if [ "$with_browser" -eq 1 ]; then packages+=(chromium); fi

need_install=0
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
  need_install=1
fi
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    need_install=1
  fi
done
if [ "$need_install" -eq 1 ]; then
  $SUDO apt-get update -q
  $SUDO apt-get install -y -q --no-install-recommends "${packages[@]}"
fi

# Polish locale for the UI tests and screenshots under Wine.
if ! locale -a 2>/dev/null | grep -qi '^pl_PL\.utf-\?8$'; then
  if ! grep -q '^pl_PL.UTF-8 UTF-8' /etc/locale.gen 2>/dev/null; then
    echo 'pl_PL.UTF-8 UTF-8' | $SUDO tee -a /etc/locale.gen >/dev/null
  fi
  $SUDO locale-gen >/dev/null
fi
echo "prerequisites ready"

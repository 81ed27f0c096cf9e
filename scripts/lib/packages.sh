#!/usr/bin/env bash
# Installs, from Debian's packages only, whatever the build and the tests need
# and this machine lacks. Quick when everything is there already.
set -euo pipefail

VISTREL_PACKAGES=(
  cmake ninja-build nasm pkg-config
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  mingw-w64-tools mingw-w64-x86-64-dev
  wine wine64 libwine fonts-wine
  xvfb x11-apps xdotool imagemagick
  googletest clang libclang-rt-14-dev
  fp-utils
  libjpeg-turbo-progs
  dpkg-dev
  nsis
)

missing=()
for p in "${VISTREL_PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if ((${#missing[@]})); then
  echo "Installing missing packages: ${missing[*]}"
  SUDO=""
  if [ "$(id -u)" != 0 ]; then SUDO=sudo; fi
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

#!/usr/bin/env bash
# Shared by scripts/run and scripts/test: paths, package setup, libjpeg and
# configuring both builds.
set -euo pipefail
VISTREL_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
VISTREL_BUILD="${VISTREL_BUILD:-$VISTREL_ROOT/build}"
VISTREL_WIN_BUILD="$VISTREL_BUILD/win"
VISTREL_NATIVE_BUILD="$VISTREL_BUILD/native"
VISTREL_JOBS="${VISTREL_JOBS:-$(nproc)}"

vistrel_setup() {
  bash "$VISTREL_ROOT/scripts/lib/packages.sh"
  bash "$VISTREL_ROOT/scripts/lib/libjpeg.sh" "$VISTREL_BUILD/deps"
}

vistrel_configure_win() {
  if [ ! -f "$VISTREL_WIN_BUILD/build.ninja" ]; then
    cmake -S "$VISTREL_ROOT" -B "$VISTREL_WIN_BUILD" -G Ninja \
      -DCMAKE_TOOLCHAIN_FILE="$VISTREL_ROOT/cmake/mingw-w64-x86_64.cmake" \
      -DCMAKE_BUILD_TYPE=Release -DVISTREL_WERROR=ON \
      -DVISTREL_DEPS="$VISTREL_BUILD/deps" >/dev/null
  fi
}

vistrel_configure_native() {
  if [ ! -f "$VISTREL_NATIVE_BUILD/build.ninja" ]; then
    CC=clang CXX=clang++ cmake -S "$VISTREL_ROOT" -B "$VISTREL_NATIVE_BUILD" -G Ninja \
      -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVISTREL_WERROR=ON >/dev/null
  fi
}

vistrel_build_win() {
  vistrel_configure_win
  cmake --build "$VISTREL_WIN_BUILD" -j "$VISTREL_JOBS"
}

vistrel_build_native() {
  vistrel_configure_native
  cmake --build "$VISTREL_NATIVE_BUILD" -j "$VISTREL_JOBS"
}

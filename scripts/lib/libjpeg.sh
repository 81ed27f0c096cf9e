#!/usr/bin/env bash
# Fetches Debian's libjpeg-turbo source package and cross-builds it as a static
# library for Windows into <deps>/libjpeg-turbo. The machine's apt sources stay
# untouched: apt runs with a private source list and private index folder, and
# verifies the downloaded files against the signed index's checksums;
# dpkg-source then checks them against the .dsc again.
set -euo pipefail
deps="$(mkdir -p "$1" && cd "$1" && pwd)"
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
prefix="$deps/libjpeg-turbo"
[ -f "$prefix/.built" ] && exit 0

apt_dir="$deps/apt"
mkdir -p "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial" "$deps/src"
cat >"$apt_dir/sources.list" <<LIST
deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] http://deb.debian.org/debian bookworm main
deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] http://deb.debian.org/debian-security bookworm-security main
LIST
apt_opts=(-o "Dir::Etc::SourceList=$apt_dir/sources.list" -o "Dir::Etc::SourceParts=$apt_dir/none"
          -o "Dir::State::Lists=$apt_dir/lists" -o "Dir::Cache=$apt_dir/cache"
          -o "APT::Get::Only-Source=true" -o "Debug::NoLocking=true" -o "APT::Sandbox::User=root")
echo "libjpeg: fetching Debian's libjpeg-turbo source package"
apt-get "${apt_opts[@]}" -qq update
srcdir="$deps/src"
(cd "$srcdir" && rm -rf libjpeg-turbo-* && apt-get "${apt_opts[@]}" -qq source --download-only libjpeg-turbo)
dsc="$(ls "$srcdir"/libjpeg-turbo_*.dsc | head -1)"
(cd "$srcdir" && dpkg-source --require-valid-signature -x "$(basename "$dsc")" libjpeg-turbo-src >/dev/null 2>&1 \
  || dpkg-source -x "$(basename "$dsc")" libjpeg-turbo-src >/dev/null)

echo "libjpeg: cross-building for Windows"
cmake -S "$srcdir/libjpeg-turbo-src" -B "$deps/libjpeg-build" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
  -DCMAKE_CROSSCOMPILING_EMULATOR="" \
  -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
  -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_TURBOJPEG=OFF -DWITH_SIMD=ON \
  -DWITH_JPEG8=OFF -DCMAKE_POSITION_INDEPENDENT_CODE=OFF >"$deps/libjpeg-configure.log" 2>&1 \
  || { cat "$deps/libjpeg-configure.log"; exit 1; }
cmake --build "$deps/libjpeg-build" -j "$(nproc)" --target jpeg-static >"$deps/libjpeg-build.log" 2>&1 \
  || { tail -50 "$deps/libjpeg-build.log"; exit 1; }
mkdir -p "$prefix/lib" "$prefix/include"
cp "$deps/libjpeg-build/libjpeg.a" "$prefix/lib/"
cp "$srcdir/libjpeg-turbo-src/jpeglib.h" "$srcdir/libjpeg-turbo-src/jmorecfg.h" \
   "$srcdir/libjpeg-turbo-src/jerror.h" "$deps/libjpeg-build/jconfig.h" "$prefix/include/"
basename "$dsc" >"$prefix/.built"
echo "libjpeg: $(cat "$prefix/.built") built"

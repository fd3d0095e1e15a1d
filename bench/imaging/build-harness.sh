#!/bin/sh
# Builds bench/imaging/resize_harness against the engine libraries of a build folder.
#   build-harness.sh [BUILD_DIR]   (default: build/ of this checkout)
set -eu
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$root/build}
cmake --build "$build" --target pixmill_engine -j2 >/dev/null
mkdir -p "$build/bench"
g++ -std=c++20 -O2 -fPIC -I"$root/src" "$root/bench/imaging/resize_harness.cpp" \
  "$build/src/engine/libpixmill_engine.a" "$build/src/engine/libpixmill_plain.a" \
  "$build/src/engine/libpixmill_jpegmeta.a" "$build/src/engine/libpixmill_platform.a" \
  $(pkg-config --cflags --libs Qt6Gui Qt6Network Qt6DBus Qt6Core libturbojpeg lcms2 zlib libwebp libheif) -lpthread \
  -o "$build/bench/resize_harness"
echo "$build/bench/resize_harness"

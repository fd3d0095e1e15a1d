#!/bin/sh
# Builds bench/imaging/resize_harness (a target of the build) in a build folder; prints its path.
#   build-harness.sh [BUILD_DIR]   (default: build/ of this checkout)
set -eu
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$root/build}
cmake --build "$build" --target resize_harness -j2 >/dev/null
echo "$build/bench/resize_harness"

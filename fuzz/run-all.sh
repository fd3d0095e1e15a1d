#!/bin/sh
# Builds every libFuzzer target with clang and runs each for the given number of seconds
# (default 60) over its seed corpus; any crash fails the run.
set -eu
cd "$(dirname "$0")/.."
seconds=${1:-60}
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz
for target in build-fuzz/bin/fuzz_*; do
  [ -x "$target" ] || continue
  name=$(basename "$target")
  corpus="fuzz/corpus/${name#fuzz_}"
  work="build-fuzz/corpus/${name#fuzz_}"
  mkdir -p "$work"
  echo "== $name for ${seconds}s"
  "$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 "$work" "$corpus"
done

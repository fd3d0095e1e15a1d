#!/bin/sh
# Catalog scan speed and memory: `pixmill-cli scan` over a folder of 5,000 camera-like JPEGs,
# side by side with exiv2 and exiftool reading the same details from the same files.
#
#   bench/catalog/scan.sh [FILES]      (default 5000; needs `sh scripts/install-deps.sh --bench`)
#
# Prints each command's mean wall time (hyperfine, 5 runs after a warm-up), the ratio of each
# peer to pixmill, and every command's peak resident memory.
set -eu
cd "$(dirname "$0")/../.."
files=${1:-5000}
cli=build/bin/pixmill-cli
[ -x "$cli" ] || { echo "build first: make build" >&2; exit 1; }
work=${BENCH_WORK:-/tmp/pixmill-bench-scan}
folder="$work/photos-$files"
if [ ! -d "$folder" ]; then
  sh ../shared/bench/make-corpus.sh "$work/seed" 50 640x480
  mkdir -p "$folder"
  i=0
  while [ "$i" -lt "$files" ]; do
    for seed in "$work"/seed/*.jpg; do
      [ "$i" -lt "$files" ] || break
      cp "$seed" "$folder/$(printf 'P%05d.jpg' "$i")"
      i=$((i + 1))
    done
  done
fi
config="$work/config"
mkdir -p "$config"

pixmill="$cli scan -q --config $config $folder"
exiv2="exiv2 -pt $folder/*.jpg"
exiftool="exiftool -fast2 -T -Model -DateTimeOriginal $folder"

hyperfine --warmup 1 --runs 5 --export-json "$work/scan.json" -N \
  "$pixmill" "sh -c '$exiv2 >/dev/null 2>&1'" "$exiftool" >/dev/null 2>&1 ||
  hyperfine --warmup 1 --runs 5 --export-json "$work/scan.json" \
    "$pixmill >/dev/null" "$exiv2 >/dev/null 2>&1" "$exiftool >/dev/null" >/dev/null
python3 - "$work/scan.json" <<'PY'
import json, sys
results = json.load(open(sys.argv[1]))["results"]
base = results[0]["mean"]
for name, r in zip(["pixmill-cli scan", "exiv2 -pt", "exiftool -fast2"], results):
    print(f"{name:18s} {r['mean']*1000:9.1f} ms   x{r['mean']/base:6.2f} of pixmill")
PY
peak() { /usr/bin/time -f "%M" sh -c "$1 >/dev/null 2>&1" 2>&1 | tail -1; }
echo "peak RSS (KiB): pixmill $(peak "$pixmill")  exiv2 $(peak "$exiv2")  exiftool $(peak "$exiftool")"

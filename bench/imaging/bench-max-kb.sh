#!/bin/sh
# The cost of a target file size: pixmill-cli resize to bound 800 over the corpus, plain
# (quality 100) and with --max-kb 100 (each output at the highest quality whose file fits
# 100 KiB), whole-process, side by side in one run. Prints the best of RUNS wall and
# processor times of each, their ratio (goal: within 3x), the smallest and largest --max-kb
# output, which must not exceed 100 KiB, and how many came within 10 % below it (near the top
# of the quality scale one quality step can be larger than that).
#
#   bench-max-kb.sh [CORPUS_DIR] [WORK_DIR] [RUNS]
#
# CORPUS_DIR: the output of make-corpus.sh (24 camera-like 12 MP JPEGs); without it the corpus
# is made once under the work folder with ../shared/bench/make-corpus.sh beside the checkout.
# The release build's pixmill-cli is used (build/bin/pixmill-cli).
set -eu
here=$(cd "$(dirname "$0")" && pwd)
cli=$here/../../build/bin/pixmill-cli
[ -x "$cli" ] || { echo "build pixmill-cli first (cmake --build --preset release)" >&2; exit 1; }
work=${2:-/tmp/pixmill-bench-max-kb}
runs=${3:-3}
if [ -n "${1:-}" ]; then
  corpus=$(cd "$1" && pwd)
else
  corpus=$work/corpus
  [ -f "$corpus/IMG_0024.jpg" ] || sh "$here/../../../shared/bench/make-corpus.sh" "$corpus" 24 >&2
fi
mkdir -p "$work/config"
export PIXMILL_CONFIG_DIR="$work/config"

# best NAME ARGS...: the best of $runs runs of the resize; "NAME wall cpu" into results.
best() {
  name=$1; shift
  : > "$work/$name.runs"
  i=0
  while [ "$i" -lt "$runs" ]; do
    rm -rf "$work/$name"
    /usr/bin/time -f "%e %U %S" -o "$work/$name.time" \
      "$cli" resize -q --bound 800 "$@" --out "$work/$name" "$corpus" >/dev/null 2>"$work/$name.log" ||
      { echo "$name failed:"; cat "$work/$name.log"; exit 1; }
    awk '{ print $1, $2 + $3 }' "$work/$name.time" >> "$work/$name.runs"
    i=$((i + 1))
  done
  wall=$(awk '{ print $1 }' "$work/$name.runs" | sort -n | head -n 1)
  cpu=$(awk '{ print $2 }' "$work/$name.runs" | sort -n | head -n 1)
  echo "$name $wall $cpu" >> "$work/results"
}

: > "$work/results"
best plain
best max-kb --max-kb 100
count=$(ls "$corpus"/*.jpg | wc -l)
sizes=$(stat -c %s "$work/max-kb"/*.jpg | sort -n)
smallest=$(echo "$sizes" | head -n 1)
largest=$(echo "$sizes" | tail -n 1)
over=$(echo "$sizes" | awk '$1 > 102400' | wc -l)
near=$(echo "$sizes" | awk '$1 >= 92160 && $1 <= 102400' | wc -l)

echo "resize to bound 800 over $count photos, best of $runs runs (wall s, cpu s)"
cat "$work/results"
awk '{ w[$1] = $2; c[$1] = $3 }
     END { printf "ratio max-kb/plain: wall %.2f, cpu %.2f (goal: within 3)\n",
                  w["max-kb"] / w["plain"], c["max-kb"] / c["plain"] }' "$work/results"
echo "--max-kb 100 outputs: smallest $smallest bytes, largest $largest bytes, above 102400: $over," \
  "within 10 % below the target: $near of $count"
[ "$over" -eq 0 ]

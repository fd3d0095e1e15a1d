#!/bin/sh
# Rename batch speed: Pixmill renaming N JPEGs by the rule <no>_<photodate> against exiftool
# renaming identical copies by date with a counter. Whole processes, wall clock, best of RUNS.
#
#   bench/rename/run.sh [N] [RUNS]        (from the repository, after a release build)
#
# Times `pixmill-cli rename`. A shell loop of mv(1) over the same files is timed too, as the
# floor of what one process per file costs.
set -eu
cd "$(dirname "$0")/../.."
count=${1:-10000}
runs=${2:-3}
work=${PIXMILL_BENCH_DIR:-/tmp/pixmill-bench-rename}
seed=$work/seed
rule='<no>_<photodate>'

if [ ! -d "$seed" ]; then
  sh ../shared/bench/make-corpus.sh "$seed" 28 320x240 >/dev/null
fi

cli=build/bin/pixmill-cli
[ -x "$cli" ] || { echo "build the release preset first (make build)" >&2; exit 1; }
pixmill() { "$cli" rename -q --rule "$rule" "$1"; }
what="pixmill-cli rename"

# N copies of the seed photos, named as a camera would, made once; each run gets a copy.
template=$work/template-$count
if [ ! -d "$template" ]; then
  mkdir -p "$template.part"
  n=$(ls "$seed" | wc -l)
  i=1
  while [ "$i" -le "$count" ]; do
    cp "$seed/$(printf 'IMG_%04d.jpg' $(( (i - 1) % n + 1 )))" "$template.part/$(printf 'DSC_%05d.jpg' "$i")"
    i=$((i + 1))
  done
  mv "$template.part" "$template"
fi
fresh() { rm -rf "$1" && cp -r "$template" "$1"; }

# Best wall-clock seconds of `runs` runs of: $1 = command name, on a fresh folder each time.
best() {
  b=""
  r=0
  while [ "$r" -lt "$runs" ]; do
    fresh "$work/d"
    sync
    s=$(date +%s.%N)
    "$1" "$work/d"
    e=$(date +%s.%N)
    t=$(echo "$e - $s" | bc -l)
    left=$(ls "$work/d" | wc -l)
    [ "$left" -eq "$count" ] || { echo "$1 left $left files of $count" >&2; exit 1; }
    if [ -z "$b" ] || [ "$(echo "$t < $b" | bc -l)" -eq 1 ]; then b=$t; fi
    r=$((r + 1))
  done
  echo "$b"
}

exiftool_rename() { exiftool -q -q '-FileName<DateTimeOriginal' -d 'IMG_%Y%m%d_%H%M%S%%-c.%%e' "$1"; }
mv_loop() {
  i=1
  for f in "$1"/*.jpg; do mv -n "$f" "$1/$(printf '%05d' "$i").jpg"; i=$((i + 1)); done
}

tp=$(best pixmill)
te=$(best exiftool_rename)
tm=$(best mv_loop)
printf '%s files, rule %s, best of %s runs\n' "$count" "$rule" "$runs"
printf '%-48s %8.3f s %10.0f files/s\n' "$what" "$tp" "$(echo "$count / $tp" | bc -l)"
printf '%-48s %8.3f s %10.0f files/s\n' "exiftool -FileName<DateTimeOriginal" "$te" "$(echo "$count / $te" | bc -l)"
printf '%-48s %8.3f s %10.0f files/s\n' "sh loop of mv -n" "$tm" "$(echo "$count / $tm" | bc -l)"
printf 'ratio exiftool / pixmill: %.1fx   mv loop / pixmill: %.1fx\n' \
  "$(echo "$te / $tp" | bc -l)" "$(echo "$tm / $tp" | bc -l)"

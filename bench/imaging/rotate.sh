#!/bin/sh
# A quarter turn clockwise of every photo of a corpus, whole-process, side by side:
#   pixmill     pixmill-cli rotate --cw over the folder (lossless on the coefficients)
#   jpegtran    jpegtran -rotate 90 -perfect -copy all, one process per file, one at a time
#   jpegtran2   the same in two parallel streams over halves of the corpus (two cores)
#   reencode    the re-encoding rotation (decode, turn, quality 100, metadata carried), on the
#               pool, through the engine (bench/imaging/resize_harness reencode-rotate)
# then the output sizes against the sources and whether pixmill's pixels equal jpegtran's.
#
#   rotate.sh [CORPUS_DIR] [WORK_DIR]
#
# CORPUS_DIR: JPEGs to turn (they are copied; the originals are never touched). Without it,
# 24 photos of 4032 x 3024 (a phone's 12 MP, whole 16-pixel blocks, so a perfect transform
# exists) are made once under the work folder with ../shared/bench/make-corpus.sh, found
# beside the checkout. Each tool is run REPEAT times (default 3); the best run counts.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
work=${2:-/tmp/pixmill-bench-rotate}
repeat=${REPEAT:-3}
if [ -n "${1:-}" ]; then
  corpus=$(cd "$1" && pwd)
else
  corpus=$work/corpus
  [ -f "$corpus/IMG_0024.jpg" ] ||
    sh "$root/../shared/bench/make-corpus.sh" "$corpus" 24 4032x3024 >&2
fi
command -v jpegtran >/dev/null || { echo "jpegtran (libjpeg-turbo-progs) is missing"; exit 1; }
cli=$root/build/bin/pixmill-cli
cmake --build "$root/build" --target pixmill-cli -j2 >/dev/null
harness=$(sh "$here/build-harness.sh")
mkdir -p "$work"
work=$(cd "$work" && pwd)

# fresh NAME: a writable copy of the corpus in $work/NAME (not timed).
fresh() {
  rm -rf "${work:?}/$1"; mkdir -p "$work/$1"
  cp "$corpus"/*.jpg "$work/$1/"; chmod u+w "$work/$1"/*.jpg
}

# run NAME COMMAND...: best of $repeat runs on fresh copies; wall seconds, peak resident set,
# processor seconds (user + system, children included).
run() {
  name=$1; shift
  best=""
  i=0
  while [ "$i" -lt "$repeat" ]; do
    i=$((i + 1))
    fresh "$name"
    rm -rf "$work/$name-out"; mkdir -p "$work/$name-out"
    /usr/bin/time -f "%e %M %U %S" -o "$work/$name.time" "$@" >/dev/null 2>"$work/$name.log" || {
      echo "$name failed:"; cat "$work/$name.log"; exit 1; }
    read -r seconds kilobytes user system < "$work/$name.time"
    if [ -z "$best" ] || awk -v a="$seconds" -v b="$best" 'BEGIN { exit !(a < b) }'; then
      best=$seconds
      echo "$name $seconds $kilobytes $(echo "$user $system" | awk '{ print $1 + $2 }')" \
        > "$work/$name.best"
    fi
  done
  cat "$work/$name.best" >> "$work/results"
}

files=$(cd "$corpus" && ls *.jpg)
count=$(echo "$files" | wc -l)
first=$(echo "$files" | head -n $(( (count + 1) / 2 )) | tr '\n' ' ')
second=$(echo "$files" | tail -n +$(( (count + 1) / 2 + 1 )) | tr '\n' ' ')
jt='for f; do jpegtran -rotate 90 -perfect -copy all -outfile "$0-out/$f" "$0/$f" || exit 1; done'

: > "$work/results"
run pixmill "$cli" rotate --cw -q "$work/pixmill"
run jpegtran sh -c "$jt" "$work/jpegtran" $files
run jpegtran2 sh -c "sh -c '$jt' '$work/jpegtran2' $first & a=\$!
                     sh -c '$jt' '$work/jpegtran2' $second & b=\$!
                     wait \$a && wait \$b"
run reencode sh -c "cd '$work/reencode' && '$harness' reencode-rotate *.jpg"

echo "$count photos from $corpus"
echo "tool          wall s   peak MiB   cpu s   wall vs jpegtran   vs jpegtran2"
awk '{ t[$1] = $2; m[$1] = $3; c[$1] = $4; order[++n] = $1 }
  END { for (i = 1; i <= n; i++) { k = order[i]
    printf "%-12s %7.2f %10.1f %7.2f %14.2fx %14.2fx\n", k, t[k], m[k] / 1024, c[k],
      t[k] / t["jpegtran"], t[k] / t["jpegtran2"] } }' "$work/results"

# Sizes, and pixmill's pixels against jpegtran's.
sizes() { du -cb "$@" | tail -1 | cut -f1; }
src=$(sizes "$corpus"/*.jpg)
echo
echo "bytes: sources $src, pixmill $(sizes "$work"/pixmill/*.jpg), jpegtran" \
  "$(sizes "$work"/jpegtran-out/*.jpg), re-encoded $(sizes "$work"/reencode/*.jpg)"
same=0
for f in $files; do
  if [ -f "$work/jpegtran-out/$f" ] &&
     [ "$(compare -metric AE "$work/pixmill/$f" "$work/jpegtran-out/$f" null: 2>&1)" = 0 ]; then
    same=$((same + 1))
  fi
done
echo "pixmill equals jpegtran -perfect pixel for pixel: $same of $count"

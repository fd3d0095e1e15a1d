#!/bin/sh
# Resize to bound 800 (quality 100, EXIF restored) over a corpus, whole-process, side by side
# with vipsthumbnail (two processes over halves of the corpus, its best set-up on two cores),
# GraphicsMagick and ImageMagick; then the luminance PSNR of every output against ImageMagick's
# Catmull-Rom resize of the full-resolution source; then the catalog thumbnails (100 x 80 and
# 200 x 160 boxes) against vipsthumbnail; then the peak memory of a resize over ten times the
# corpus, which must not grow with the number of pictures.
#
# pixmill runs the resize job as the batch driver does: "pixmill" with restore-EXIF on
# (items one after another), "pixmill-pool" the same job on the pool, "pixmill-noexif"
# without restoring (on the pool).
#
#   bench-resize.sh [CORPUS_DIR] [WORK_DIR]
#
# CORPUS_DIR: the output of make-corpus.sh (24 camera-like 12 MP JPEGs by default); without
# it, the corpus is made once under the work folder with ../shared/bench/make-corpus.sh, found
# beside the checkout.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
work=${2:-/tmp/pixmill-bench-resize}
if [ -n "${1:-}" ]; then
  corpus=$(cd "$1" && pwd)
else
  corpus=$work/corpus
  [ -f "$corpus/IMG_0024.jpg" ] || sh "$here/../../../shared/bench/make-corpus.sh" "$corpus" 24 >&2
fi
harness=$(sh "$here/build-harness.sh")
mkdir -p "$work"
work=$(cd "$work" && pwd)
set -- "$corpus"/*.jpg
count=$#
half=$(( (count + 1) / 2 ))

# run NAME COMMAND...: times the command in a fresh output folder; records wall seconds, peak
# memory (the largest resident set of any one process) and processor seconds (user + system,
# children included): on a shared machine the processor time is the steadier figure.
run() {
  name=$1; shift
  rm -rf "$work/$name"; mkdir -p "$work/$name"
  /usr/bin/time -f "%e %M %U %S" -o "$work/$name.time" "$@" >/dev/null 2>"$work/$name.log" || {
    echo "$name failed:"; cat "$work/$name.log"; exit 1; }
  read -r seconds kilobytes user system < "$work/$name.time"
  echo "$name $seconds $kilobytes $(echo "$user $system" | awk '{ print $1 + $2 }')" \
    >> "$work/results"
}

first_half=$(ls "$corpus"/*.jpg | head -n "$half" | tr '\n' ' ')
second_half=$(ls "$corpus"/*.jpg | tail -n +"$((half + 1))" | tr '\n' ' ')
: > "$work/results"
run pixmill "$harness" resize 800 "$work/pixmill" "$@"
run pixmill-pool "$harness" resize 800 "$work/pixmill-pool" --pool "$@"
run pixmill-noexif "$harness" resize 800 "$work/pixmill-noexif" --no-exif "$@"
run vips2 sh -c "VIPS_CONCURRENCY=1 vipsthumbnail -s 800x800 -o '$work/vips2/%s.jpg[Q=100]' $first_half &
                 VIPS_CONCURRENCY=1 vipsthumbnail -s 800x800 -o '$work/vips2/%s.jpg[Q=100]' $second_half &
                 wait"
run vips1 vipsthumbnail -s 800x800 -o "$work/vips1/%s.jpg[Q=100]" "$@"
# GraphicsMagick appends the file's path as given to the output folder: give it bare names.
run gm sh -c "cd '$corpus' && gm mogrify -output-directory '$work/gm' -resize 800x800 -quality 100 *.jpg"
run imagemagick mogrify -path "$work/imagemagick" -resize 800x800 -quality 100 "$@"

vips2=$(awk '$1 == "vips2" { print $2 }' "$work/results")
vips2cpu=$(awk '$1 == "vips2" { print $4 }' "$work/results")
echo "tool              wall s   peak MiB   cpu s   vs vipsthumbnail x2: wall   cpu"
awk -v base="$vips2" -v basecpu="$vips2cpu" '{ printf "%-16s %7.2f %10.1f %7.2f %18.2fx %6.2fx\n",
  $1, $2, $3 / 1024, $4, base / $2, basecpu / $4 }' "$work/results"
echo

# Thumbnails: each box against vipsthumbnail over the same files (one process, all cores).
for box in 100x80 200x160; do
  run "thumbs-$box" "$harness" thumbs "${box%x*}" "${box#*x}" "$work/thumbs-$box" "$@"
  run "vips-thumbs-$box" vipsthumbnail -s "$box" -o "$work/vips-thumbs-$box/%s.jpg" "$@"
done
# Memory against the number of pictures: the corpus ten times over (links, distinct names).
mkdir -p "$work/many"
i=0
for round in 0 1 2 3 4 5 6 7 8 9; do
  for source in "$@"; do
    i=$((i + 1))
    ln -sf "$source" "$work/many/$(printf 'P%04d.jpg' "$i")"
  done
done
run "pixmill-x10" "$harness" resize 800 "$work/pixmill-x10" "$work"/many/*.jpg
run "pixmill-pool-x10" "$harness" resize 800 "$work/pixmill-pool-x10" --pool "$work"/many/*.jpg
echo
echo "tool               wall s   peak MiB   cpu s   ratio vips / ours: wall   cpu"
awk '
  { t[$1] = $2; m[$1] = $3; c[$1] = $4; order[++n] = $1 }
  END {
    for (i = 1; i <= n; i++) {
      k = order[i]
      if (k !~ /thumbs|x10/) continue
      r = ""
      if (k ~ /^thumbs-/) r = sprintf("%12.2fx %6.2fx", t["vips-" k] / t[k], c["vips-" k] / c[k])
      printf "%-18s %6.2f %10.1f %7.2f   %s\n", k, t[k], m[k] / 1024, c[k], r
    }
  }' "$work/results"
echo

# Quality: luminance PSNR against ImageMagick's Catmull-Rom resize of the full-resolution
# source, measured twice. "8-bit" is the plain set-up (reference saved as an 8-bit PNG): this
# ImageMagick truncates when it reduces its 16-bit result to 8 bits, so that reference sits
# half a level low and favours tools that truncate too. "16-bit" keeps the reference at 16 bits
# and compares at 16 bits: the unbiased figure.
mkdir -p "$work/reference"
psnr() {  # psnr OUTPUT REFERENCE DEPTH
  convert "$1" -colorspace Gray -depth "$3" "$work/a.pgm"
  convert "$2" -colorspace Gray -depth "$3" "$work/b.pgm"
  compare -metric PSNR "$work/a.pgm" "$work/b.pgm" null: 2>&1 || true
}
echo "luminance PSNR against ImageMagick -filter Catrom -resize WxH! (dB: mean, min, max)"
echo "tool              8-bit reference         16-bit reference"
for tool in pixmill vips2 gm imagemagick; do
  : > "$work/$tool.psnr"
  for source in "$@"; do
    name=$(basename "$source")
    output="$work/$tool/$name"
    size=$(identify -format "%wx%h" "$output")
    reference="$work/reference/${name%.jpg}-$size-16.png"
    [ -f "$reference" ] || convert "$source" -filter Catrom -resize "$size!" -depth 16 "$reference"
    [ -f "${reference%-16.png}-8.png" ] || convert "$reference" -depth 8 "${reference%-16.png}-8.png"
    echo "$(psnr "$output" "${reference%-16.png}-8.png" 8) $(psnr "$output" "$reference" 16)" \
      >> "$work/$tool.psnr"
  done
  awk -v tool="$tool" '
    NF == 2 {
      s8 += $1; s16 += $2; n++
      if (n == 1 || $1 < min8) min8 = $1; if ($1 > max8) max8 = $1
      if (n == 1 || $2 < min16) min16 = $2; if ($2 > max16) max16 = $2
    }
    END { printf "%-16s %6.2f %6.2f %6.2f    %6.2f %6.2f %6.2f\n", tool,
          s8 / n, min8, max8, s16 / n, min16, max16 }' "$work/$tool.psnr"
done

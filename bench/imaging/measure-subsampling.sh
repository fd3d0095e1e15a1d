#!/bin/sh
# The chroma subsampling trade-off at quality 100: for a few corpus photos, a lossless
# Catmull-Rom resize to 800 pixels is encoded with libjpeg-turbo's cjpeg (accurate DCT) at
# 4:2:0, 4:2:2 and 4:4:4; prints file size, luminance PSNR against the lossless picture's
# reference, and tjbench's compression speed.
#   measure-subsampling.sh CORPUS_DIR [COUNT]
set -eu
corpus=${1:?usage: measure-subsampling.sh CORPUS_DIR [COUNT]}
count=${2:-4}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
psnr() {
  convert "$1" -colorspace Gray -depth 8 "$work/a.pgm"
  convert "$2" -colorspace Gray -depth 8 "$work/b.pgm"
  compare -metric PSNR "$work/a.pgm" "$work/b.pgm" null: 2>&1 || true
}
echo "photo          sampling    bytes   PSNR dB"
for source in $(ls "$corpus"/*.jpg | head -n "$count"); do
  convert "$source" -filter Catrom -resize 800x800 "$work/reference.ppm"
  for sampling in 2x2 2x1 1x1; do
    cjpeg -quality 100 -dct int -sample "$sampling" "$work/reference.ppm" > "$work/out.jpg"
    printf "%-14s %-8s %8d   %s\n" "$(basename "$source")" "$sampling" \
      "$(stat -c %s "$work/out.jpg")" "$(psnr "$work/out.jpg" "$work/reference.ppm")"
  done
done
echo "tjbench compression speed (megapixels/s) at 800 x 600:"
for sampling in 420 422 444; do
  (cd "$work" && tjbench reference.ppm 100 -subsamp "$sampling" -accuratedct -quiet \
     -benchtime 1 -warmup 0 2>/dev/null | awk -v s="$sampling" '$4 == 100 { print "  " s ": " $7 }')
done

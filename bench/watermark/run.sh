#!/bin/sh
# Watermark benchmark: a text layer (Chinese, shadow, opacity 60) and a picture layer, aligned
# bottom-right, stamped on the 24-photo corpus by Pixmill and by ImageMagick doing the same
# work; then Pixmill's peak memory on 24 and on 240 photos (it must not grow with the count).
#
#   sh bench/watermark/run.sh [WORK_DIR]     (default build/bench-watermark)
#
# Needs the release build (make build), ImageMagick, hyperfine and GNU time
# (scripts/install-deps.sh --bench) and the corpus script of the shared bench folder.
set -eu
cd "$(dirname "$0")/../.."
repo=$PWD
work=${1:-build/bench-watermark}
mkdir -p "$work"
work=$(cd "$work" && pwd)
corpus_script=${PIXMILL_CORPUS_SCRIPT:-$repo/../shared/bench/make-corpus.sh}
font=/usr/share/fonts/truetype/wqy/wqy-microhei.ttc
picture="$repo/data/水印/印章/圆形红章.png"
text='水印 Pixmill 版权所有'

# The subject: the engine's batch routine in a small program of the release build.
[ -d build ] || { echo "build the release preset first (make build)"; exit 1; }
cmake --build build --target stamp_folder >/dev/null
stamp=build/bench/stamp_folder

[ -f "$work/photos24/IMG_0024.jpg" ] || sh "$corpus_script" "$work/photos24" 24
# 240 photos: the 24 ten times over, under new names (the cost per photo is the same).
if [ ! -f "$work/photos240/IMG_0240.jpg" ]; then
  mkdir -p "$work/photos240"
  n=0
  for copy in 0 1 2 3 4 5 6 7 8 9; do
    for photo in "$work"/photos24/*.jpg; do
      n=$((n + 1))
      cp "$photo" "$work/photos240/$(printf 'IMG_%04d.jpg' $n)"
    done
  done
fi
mkdir -p "$work/out-pixmill" "$work/out-magick" "$work/out-240"

cat > "$work/magick.sh" <<MAGICK
#!/bin/sh
for src in "$work"/photos24/*.jpg; do
  convert "\$src" -density 96 -gravity southeast -font "$font" -pointsize 40 \\
    -fill 'rgba(128,128,128,0.6)' -annotate +7+7 '$text' \\
    -fill 'rgba(255,0,0,0.6)' -annotate +10+10 '$text' \\
    "$picture" -composite -quality 100 "$work/out-magick/\$(basename "\$src")"
done
MAGICK

hyperfine --warmup 1 --runs 3 --export-json "$work/times.json" \
  -n pixmill "$stamp '$picture' '$work/photos24' '$work/out-pixmill'" \
  -n imagemagick "sh '$work/magick.sh'"

peak() { /usr/bin/time -f '%M' "$@" 2>&1 >/dev/null | tail -1; }
m24=$(peak "$stamp" "$picture" "$work/photos24" "$work/out-pixmill")
m240=$(peak "$stamp" "$picture" "$work/photos240" "$work/out-240")
python3 - "$work/times.json" "$m24" "$m240" <<'PY'
import json, sys
runs = {r["command"]: r["mean"] for r in json.load(open(sys.argv[1]))["results"]}
ours, peer = runs["pixmill"], runs["imagemagick"]
print(f"24 photos: pixmill {ours:.2f} s, imagemagick {peer:.2f} s, ratio {peer / ours:.1f}x")
print(f"peak memory: 24 photos {int(sys.argv[2]) // 1024} MiB, 240 photos {int(sys.argv[3]) // 1024} MiB")
PY

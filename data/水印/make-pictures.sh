#!/bin/sh
# Draws the watermark library that ships beside the program: simple seals, badges and corner
# marks of our own, as small PNGs with transparent backgrounds, one folder per category.
# Needs ImageMagick and the WenQuanYi Micro Hei font (see scripts/install-deps.sh).
#
#   sh data/水印/make-pictures.sh
set -eu
cd "$(dirname "$0")"
font=/usr/share/fonts/truetype/wqy/wqy-microhei.ttc
# No time stamps in the files, so that running the script again changes nothing.
png() { convert "$@" -strip -define png:exclude-chunks=date,time,tIME "$out"; }

mkdir -p 印章 徽章 角标

out=印章/圆形红章.png
png -size 160x160 xc:none -fill none -stroke '#C8102E' -strokewidth 6 -draw 'circle 80,80 80,6' \
  -strokewidth 2 -draw 'circle 80,80 80,16' -stroke none -fill '#C8102E' \
  -draw 'polygon 80,38 88,62 113,62 93,77 100,101 80,86 60,101 67,77 47,62 72,62' \
  -font "$font" -pointsize 22 -gravity center -annotate +0+42 '正品保证'
out=印章/方形印章.png
png -size 140x140 xc:none -fill none -stroke '#B22222' -strokewidth 8 -draw 'rectangle 6,6 133,133' \
  -stroke none -fill '#B22222' -font "$font" -pointsize 48 -gravity center \
  -annotate +0-22 '原创' -annotate +0+28 '作品'
out=印章/椭圆签章.png
png -size 220x120 xc:none -fill none -stroke '#1F4E9A' -strokewidth 5 -draw 'ellipse 110,60 104,54 0,360' \
  -stroke none -fill '#1F4E9A' -font "$font" -pointsize 30 -gravity center -annotate +0+0 '已检验 OK'

out=徽章/新品.png
png -size 120x120 xc:none -fill '#E8590C' -stroke white -strokewidth 4 \
  -draw 'polygon 60,4 74,26 100,18 96,44 118,58 96,72 100,98 74,90 60,114 46,90 20,98 24,72 2,58 24,44 20,18 46,26' \
  -stroke none -fill white -font "$font" -pointsize 30 -gravity center -annotate +0+2 '新品'
out=徽章/热卖.png
png -size 130x130 xc:none -fill '#D6336C' -draw 'circle 65,65 65,4' -fill none -stroke white \
  -strokewidth 3 -draw 'circle 65,65 65,14' -stroke none -fill white -font "$font" -pointsize 34 \
  -gravity center -annotate +0+0 '热卖'
out=徽章/包邮.png
png -size 180x70 xc:none -fill '#2B8A3E' -draw 'roundrectangle 2,2 177,67 18,18' -fill white \
  -font "$font" -pointsize 34 -gravity center -annotate +0+0 '全场包邮'

out=角标/左上三角.png
png -size 120x120 xc:none -fill '#F08C00' -draw 'polygon 0,0 120,0 0,120' -fill white \
  -font "$font" -pointsize 24 -gravity northwest -annotate -45x-45+14+44 '特价'
out=角标/右下缎带.png
png -size 200x60 xc:none -fill '#364FC7' -draw 'polygon 20,0 200,0 200,60 20,60 0,30' -fill white \
  -font "$font" -pointsize 28 -gravity center -annotate +10+0 '限时折扣'
out=角标/细边框.png
png -size 240x160 xc:none -fill none -stroke '#495057' -strokewidth 3 \
  -draw 'rectangle 4,4 235,155' -strokewidth 1 -draw 'rectangle 12,12 227,147'

echo "watermark library pictures written in $(pwd)"

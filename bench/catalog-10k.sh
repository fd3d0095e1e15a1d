#!/bin/sh
# The catalog with a large folder: starts the program under Xvfb on a folder of COUNT photos
# (copies of a small bench corpus) and reports the time until the window is mapped, the time
# until all work has settled (load and every thumbnail: the process's CPU time stops growing),
# and the peak resident memory. A screenshot of the settled window is left beside the folder.
#
#   bench/catalog-10k.sh [COUNT] [VIEWMODE]     (defaults 10000, 1 = large icons)
set -eu
count=${1:-10000}
mode=${2:-1}
root=$(cd "$(dirname "$0")/.." && pwd)
program=$root/build/bin/pixmill
work=${TMPDIR:-/tmp}/pixmill-catalog-bench
[ -x "$program" ] || { echo "build the pixmill target first" >&2; exit 1; }
if [ ! -d "$work/photos-$count" ]; then
  sh "$root/../shared/bench/make-corpus.sh" "$work/seed" 12 800x600 >/dev/null
  mkdir -p "$work/photos-$count"
  i=0
  set --
  for f in "$work"/seed/*.jpg; do set -- "$@" "$f"; done
  n=$#
  while [ "$i" -lt "$count" ]; do
    k=$(( i % n + 1 )); eval src=\${$k}
    cp "$src" "$work/photos-$count/$(printf 'P%05d.jpg' "$i")"
    i=$((i + 1))
  done
fi
config=$work/config-$mode
rm -rf "$config"; mkdir -p "$config"
printf '[main]\nviewmode=%s\ndailytip=0\n[path]\nlastview=%s/\n' "$mode" "$work/photos-$count" \
  > "$config/Velumark.conf"

cat > "$work/run.sh" <<INNER
#!/bin/sh
start=\$(date +%s%N)
PIXMILL_CONFIG_DIR=$config "$program" >/dev/null 2>&1 &
pid=\$!
while ! xwininfo -root -tree 2>/dev/null | grep -q '"Pixmill v'; do sleep 0.01; done
mapped=\$(date +%s%N)
last=-1; still=0
while [ "\$still" -lt 10 ]; do
  sleep 0.1
  cpu=\$(awk '{print \$14 + \$15}' /proc/\$pid/stat)
  if [ "\$cpu" = "\$last" ]; then still=\$((still + 1)); else still=0; last=\$cpu; fi
done
settled=\$(( \$(date +%s%N) - 1000000000 ))
import -window root "$work/settled-$count-$mode.png"
hwm=\$(awk '/VmHWM/ {print \$2}' /proc/\$pid/status)
rss=\$(awk '/VmRSS/ {print \$2}' /proc/\$pid/status)
kill \$pid
echo "rows=$count viewmode=$mode window_mapped_ms=\$(( (mapped - start) / 1000000 )) settled_ms=\$(( (settled - start) / 1000000 )) peak_rss_kb=\$hwm rss_kb=\$rss"
INNER
chmod +x "$work/run.sh"
xvfb-run -a -s "-screen 0 1280x800x24" "$work/run.sh"

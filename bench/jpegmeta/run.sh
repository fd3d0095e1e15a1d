#!/bin/sh
# Whole-process throughput of the metadata engine against exiv2, exiftool and cp, as ratios.
#
#   [BASE_CLI=path] [PIXMILL_CLI=path] bench/jpegmeta/run.sh [COUNT] [SIZE] [INFO_FILES]
#
# 1. Delete EXIF over fresh copies of a camera-like corpus (COUNT photos of SIZE, default
#    200 of 2000x1500): `pixmill-cli meta --delete-exif`, `exiv2 -d e rm`, `exiftool -overwrite_original -exif:all=`,
#    and `cp` of the same files as the I/O floor.
# 2. Photo information over a folder of INFO_FILES files (default 5000; hard links to the
#    corpus): ours, `exiv2 -pt`, `exiftool -fast2`.
# Each figure is the best of three runs (delete EXIF: wall and CPU seconds, /usr/bin/time).
# Work happens in build-bench/ (never committed).
#
# What each command promises when it returns (system calls seen under strace, exiv2 0.27 and
# exiftool 12 of Debian 12):
# - pixmill: every rewritten file was written beside the original under a temporary name;
#   the temporaries of a block of rows (up to 32 files or 64 MiB) are flushed together
#   (fsync of each, after their writing was started at once), then each is renamed over its
#   original and the folder is flushed once per block: wholly old or wholly new at any crash,
#   and the new content survives a power cut once the command returns.
# - exiv2 -d e: reads the file, then opens the original with O_TRUNC and writes the new bytes
#   into it, no fsync: a crash or a full disk during the write leaves a cut file, the old
#   content gone.
# - exiftool -overwrite_original: writes FILE_exiftool_tmp and renames it over the original, no
#   fsync: atomic against a crash of the program, not against a power cut (the rename may
#   reach the disk before the data).
# - cp: no fsync; "cp+sync" adds one sync of everything at the end.
set -eu
cd "$(dirname "$0")/../.."
count=${1:-200}
size=${2:-2000x1500}
info_files=${3:-5000}
work=build-bench
corpus=$work/corpus-$count-$size
mkdir -p "$work"

# Deleting EXIF is timed through the program's own command line, as a user runs it; photo
# information, which the command line only offers through a catalog scan, through the harness.
# PIXMILL_CLI names another pixmill-cli to time; BASE_CLI names a second one (an older build)
# that is timed in the same rounds, interleaved with ours, so before and after come from one run.
cli=${PIXMILL_CLI:-build/bin/pixmill-cli}
base_cli=${BASE_CLI:-}
[ -x "$cli" ] || { echo "build the pixmill-cli target first (make test or cmake --build build)" >&2; exit 1; }
[ -z "$base_cli" ] || [ -x "$base_cli" ] || { echo "BASE_CLI=$base_cli is not a program" >&2; exit 1; }
mkdir -p "$work/cli-config"
bin=build/bench/jpegmeta_bench
cmake --build build --target jpegmeta_bench >/dev/null

# The shared corpus maker (MAKE_CORPUS overrides where it lives).
make_corpus=${MAKE_CORPUS:-../shared/bench/make-corpus.sh}
if [ ! -f "$corpus/.done" ]; then
  sh "$make_corpus" "$corpus" "$count" "$size" >&2
  touch "$corpus/.done"
fi

now() { date +%s.%N; }
# best_of3 NAME PREPARE COMMAND: runs PREPARE (untimed) then COMMAND (timed) three times.
best_of3() {
  best=""
  for _ in 1 2 3; do
    sh -c "$2"
    start=$(now)
    sh -c "$3" >/dev/null 2>&1
    end=$(now)
    t=$(echo "$end - $start" | bc -l)
    if [ -z "$best" ] || [ "$(echo "$t < $best" | bc -l)" = 1 ]; then best=$t; fi
  done
  printf '%-10s %8.3f s\n' "$1" "$best" >&2
  echo "$best"
}
ratio() { echo "scale=2; $1 / $2" | bc -l; }

# timed NAME PREPARE COMMAND: runs PREPARE (untimed), then COMMAND under /usr/bin/time, and
# adds "wall cpu" (seconds; cpu is user + system of the whole process) to $times/NAME.
timed() {
  sh -c "$2"
  /usr/bin/time -f "%e %U %S" -o "$times/last" sh -c "$3" >/dev/null 2>&1
  awk '{ printf "%.3f %.3f\n", $1, $2 + $3 }' "$times/last" >>"$times/$1"
}
# best NAME: the lowest wall time and the lowest CPU time of NAME's rounds.
best() { sort -n "$times/$1" | head -1 | cut -d' ' -f1; }
best_cpu() { sort -n -k2 "$times/$1" | head -1 | cut -d' ' -f2; }

# delete_bench PLACE LABEL: the delete-EXIF comparison with the copies in PLACE. Three rounds;
# each round runs every tool once on fresh copies, so a change of load hits all alike.
delete_bench() {
  place=$1
  mkdir -p "$place"
  times=$work/times.$$
  rm -rf "$times" && mkdir -p "$times"
  fresh="rm -rf $place/copy && cp -r $corpus $place/copy && sync"
  nocopy="rm -rf $place/cpcopy && sync"
  echo "== delete EXIF, $count files of $size, $2 (load $(cut -d' ' -f1-3 /proc/loadavg))" >&2
  for _ in 1 2 3; do
    timed pixmill "$fresh" "$cli meta --delete-exif -q --config $work/cli-config $place/copy"
    [ -z "$base_cli" ] ||
      timed base "$fresh" "$base_cli meta --delete-exif -q --config $work/cli-config $place/copy"
    timed exiv2 "$fresh" "exiv2 -d e rm $place/copy/*.jpg"
    timed exiftool "$fresh" "exiftool -q -q -overwrite_original -exif:all= $place/copy"
    timed cp "$nocopy" "cp -r $corpus $place/cpcopy"
    # Every rewrite is flushed to disk before it replaces the original; cp and the peers do
    # not flush. The second floor makes cp's copies durable too (one sync at the end).
    timed cp+sync "$nocopy" "cp -r $corpus $place/cpcopy && sync"
  done
  tools="pixmill exiv2 exiftool cp cp+sync"
  [ -z "$base_cli" ] || tools="pixmill base exiv2 exiftool cp cp+sync"
  for tool in $tools; do
    printf '%-10s %8.3f s wall %8.3f s CPU (best of 3)\n' "$tool" "$(best "$tool")" "$(best_cpu "$tool")" >&2
  done
  t_ours=$(best pixmill)
  t_exiv2=$(best exiv2)
  echo "delete EXIF ($2): pixmill is $(ratio "$t_exiv2" "$t_ours")x exiv2, $(ratio "$(best exiftool)" "$t_ours")x exiftool; takes $(ratio "$t_ours" "$(best cp)")x the time of cp, $(ratio "$t_ours" "$(best cp+sync)")x cp+sync"
  if [ -n "$base_cli" ]; then
    t_base=$(best base)
    echo "delete EXIF ($2): BASE_CLI is $(ratio "$t_exiv2" "$t_base")x exiv2; pixmill takes $(ratio "$t_ours" "$t_base")x the wall time and $(ratio "$(best_cpu pixmill)" "$(best_cpu base)")x the CPU time of BASE_CLI"
  fi
  rm -rf "$place/copy" "$place/cpcopy" "$times"
}
delete_bench "$work" "on disk"
# On a memory file system a flush costs nothing: the engine's own cost shows.
[ -d /dev/shm ] && delete_bench /dev/shm/pixmill-bench-$$ "on tmpfs" && rm -rf /dev/shm/pixmill-bench-$$

info=$work/info-$info_files
if [ ! -f "$info/.done" ]; then
  rm -rf "$info" && mkdir -p "$info"
  set -- "$corpus"/*.jpg
  i=0
  while [ "$i" -lt "$info_files" ]; do
    for f in "$@"; do
      [ "$i" -lt "$info_files" ] || break
      ln "$f" "$info/$(printf 'P%05d.jpg' "$i")"
      i=$((i + 1))
    done
  done
  touch "$info/.done"
fi
echo "== photo information, $info_files files" >&2
t_ours=$(best_of3 pixmill "true" "$bin info $info")
t_exiv2=$(best_of3 exiv2 "true" "exiv2 -pt $info/*.jpg")
t_exiftool=$(best_of3 exiftool "true" "exiftool -fast2 $info")
echo "photo information: pixmill is $(ratio "$t_exiv2" "$t_ours")x exiv2, $(ratio "$t_exiftool" "$t_ours")x exiftool"

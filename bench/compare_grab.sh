#!/usr/bin/env bash
# Samples 12 frames, one every 10 s, from a 2-minute 1920x1080 H.264 clip (25 fps, a keyframe
# every 10 s) to PNG files: by framewell-cli grab, by the ffmpeg program with its fps filter
# (one pass decoding everything), and by ffmpeg with a loop of 12 accurate seeks. Prints the
# median whole-process times and the ratios. Then one exact seek to 57.3 s (7.3 s past a
# keyframe) written as a BMP file, by both programs.
# Usage: bench/compare_grab.sh [BUILD_DIR]   (default build-bench; scripts/bench builds it)
set -euo pipefail
cd "$(dirname "$0")/.."
bench_default_runs=5
source bench/common.sh

clip="$build/bench/bench-clip-1080p-120s-g250.mp4"
if [ ! -f "$clip" ]; then
  ffmpeg -v error -y -f lavfi -i testsrc2=size=1920x1080:rate=25:duration=120 \
    -c:v libx264 -preset ultrafast -g 250 -pix_fmt yuv420p "$clip"
fi

median_ms() { # command...
  local times=()
  for _ in $(seq "$runs"); do
    rm -rf "$work/out" && mkdir -p "$work/out"
    local t0=$(date +%s%N)
    "$@" >/dev/null 2>&1
    local t1=$(date +%s%N)
    times+=($(( (t1 - t0) / 1000 )))
  done
  printf '%s\n' "${times[@]}" | median_of 1
}

fw_grab() { "$cli" grab "$clip" --in 0 --out 110 --every 10 --format png --dir "$work/out"; }
ff_fps() { ffmpeg -v error -y -i "$clip" -vf fps=1/10 -frames:v 12 "$work/out/%02d.png"; }
ff_seeks() {
  for t in 0 10 20 30 40 50 60 70 80 90 100 110; do
    ffmpeg -v error -y -ss "$t" -i "$clip" -frames:v 1 "$work/out/$t.png"
  done
}

# Check that each way writes 12 files before timing it.
for f in fw_grab ff_fps ff_seeks; do
  rm -rf "$work/out" && mkdir -p "$work/out" && $f >/dev/null 2>&1
  n=$(ls "$work/out" | wc -l)
  [ "$n" -eq 12 ] || echo "warning: $f wrote $n files"
done

fw=$(median_ms fw_grab)
fps=$(median_ms ff_fps)
seeks=$(median_ms ff_seeks)
printf '%-34s %10s ms\n' "framewell-cli grab" "$fw"
printf '%-34s %10s ms  (framewell/ffmpeg %s)\n' "ffmpeg -vf fps=1/10" "$fps" "$(awk -v a="$fw" -v b="$fps" 'BEGIN {printf "%.2f", a/b}')"
printf '%-34s %10s ms  (framewell/ffmpeg %s)\n' "ffmpeg -ss loop (12 processes)" "$seeks" "$(awk -v a="$fw" -v b="$seeks" 'BEGIN {printf "%.2f", a/b}')"
fw_one() { "$cli" grab "$clip" --in 57.3 --out 57.3 --every 1 --format bmp --dir "$work/out"; }
ff_one() { ffmpeg -v error -y -ss 57.3 -i "$clip" -frames:v 1 "$work/out/one.bmp"; }
fw1=$(median_ms fw_one)
ff1=$(median_ms ff_one)
printf '%-34s %10s ms\n' "framewell-cli grab at 57.3 s" "$fw1"
printf '%-34s %10s ms  (framewell/ffmpeg %s)\n' "ffmpeg -ss 57.3 -frames:v 1" "$ff1" "$(awk -v a="$fw1" -v b="$ff1" 'BEGIN {printf "%.2f", a/b}')"
echo "(whole processes, median of $runs; below 1 is faster)"

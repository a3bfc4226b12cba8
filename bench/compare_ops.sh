#!/usr/bin/env bash
# Times each editing operation on the same 1920x1080 24-bit picture as a whole process:
# framewell-cli edit, ImageMagick's convert and libvips' vips, and prints the median times
# and the ratios framewell / ImageMagick and framewell / vips (below 1 is faster).
# All three read and write binary PPM, a format each handles natively, so the figures
# compare the operations, not the codecs. The "copy" row is reading and writing alone.
# In-process times of the operations themselves: build-bench/bench/image_ops_bench.
# Usage: bench/compare_ops.sh [BUILD_DIR]   (default build-bench; scripts/bench builds it)
set -euo pipefail
cd "$(dirname "$0")/.."
bench_default_runs=7
source bench/common.sh
command -v vips >/dev/null || { echo "compare_ops: vips is missing (scripts/install-deps installs libvips-tools)"; exit 1; }

make_test_frame "$work/in.ppm" -depth 8
in="$work/in.ppm"

# Median over $runs runs of "wall cpu" in milliseconds; cpu is user + system time of the
# process and its children, which the other work on a shared machine disturbs far less.
median_ms() { # command...
  local walls=() cpus=()
  for _ in $(seq "$runs"); do
    local t0 t1 cpu
    t0=$(date +%s%N)
    cpu=$( { TIMEFORMAT='%3U %3S'; time "$@" >/dev/null 2>&1; } 2>&1 ) || { echo "failed failed"; return; }
    t1=$(date +%s%N)
    walls+=($(((t1 - t0) / 1000)))
    cpus+=($(awk -v c="$cpu" 'BEGIN { split(c, p, " "); printf "%d", (p[1] + p[2]) * 1000000 }'))
  done
  local w c
  w=$(printf '%s\n' "${walls[@]}" | median_of 0)
  c=$(printf '%s\n' "${cpus[@]}" | median_of 0)
  echo "$w $c"
}

# vips has no single command for HSV: convert, shift, convert back (three processes).
vips_hsv() {
  vips colourspace "$in" "$work/hsv.v" hsv &&
    vips linear "$work/hsv.v" "$work/hsv2.v" "1 1 1" "21.3 25.5 -25.5" --uchar &&
    vips colourspace "$work/hsv2.v" "$work/vips.ppm" srgb --source-space hsv
}

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (a == "failed" || b == "failed" || b == "-") print "-"; else printf "%.2f", a / b }'; }

# name | framewell-cli edit arguments | ImageMagick convert arguments | vips command (or "-")
ops=(
  "copy|--brightness 0|-depth 8|copy"
  "resize 960x540 lanczos3|--resize 960x540 --filter lanczos3|-filter Lanczos -resize 960x540!|resize 0.5 --kernel lanczos3"
  "resize 960x540 triangle|--resize 960x540 --filter triangle|-filter Triangle -resize 960x540!|resize 0.5 --kernel linear"
  "resize 3840x2160 mitchell|--resize 3840x2160 --filter mitchell|-filter Mitchell -resize 3840x2160!|resize 2 --kernel mitchell"
  "crop 1280x720+100+100|--crop 100,100,1280,720|-crop 1280x720+100+100 +repage|extract_area 100 100 1280 720"
  "rotate 90 clockwise|--rotate 270|-rotate 90|rot d90"
  "rotate 30 antialiased|--rotate 30 --antialias|-background gray50 -rotate -30|rotate 30 --background 128"
  "flip left-right|--flip h|-flop|flip horizontal"
  "equalize|--equalize|-equalize|hist_equal"
  "negative|--negative|-negate|invert"
  "contrast 40|--contrast 40|-brightness-contrast 0x40|linear --uchar -- 1.67 -85"
  "brightness 40|--brightness 40|-evaluate Add 15.686%|linear 1 40 --uchar"
  "hsv 30,10,-10|--hsv 30,10,-10|-define modulate:colorspace=HSB -modulate 90,110,116.667|HSV"
  "hsl 30,10,-10|--hsl 30,10,-10|-modulate 90,110,116.667|-"
)

printf '%-27s %17s %17s %17s %13s %13s\n' "" "framewell" "ImageMagick" "vips" "fw/IM" "fw/vips"
printf '%-27s %8s %8s %8s %8s %8s %8s %6s %6s %6s %6s\n' operation wall cpu wall cpu wall cpu wall cpu wall cpu
for row in "${ops[@]}"; do
  IFS='|' read -r name fw_args im_args vips_args <<<"$row"
  # shellcheck disable=SC2086 # the argument lists are split on purpose
  read -r fw_w fw_c <<<"$(median_ms "$cli" edit "$in" "$work/fw.ppm" $fw_args)"
  # shellcheck disable=SC2086
  read -r im_w im_c <<<"$(median_ms convert "$in" $im_args "$work/im.ppm")"
  if [ "$vips_args" = "-" ]; then
    vp_w="-" vp_c="-"
  elif [ "$vips_args" = "HSV" ]; then
    read -r vp_w vp_c <<<"$(median_ms vips_hsv)"
  else
    read -r vop vrest <<<"$vips_args"
    # shellcheck disable=SC2086
    read -r vp_w vp_c <<<"$(median_ms vips "$vop" "$in" "$work/vips.ppm" $vrest)"
  fi
  printf '%-27s %8s %8s %8s %8s %8s %8s %6s %6s %6s %6s\n' "$name" "$fw_w" "$fw_c" "$im_w" "$im_c" "$vp_w" "$vp_c" \
    "$(ratio "$fw_w" "$im_w")" "$(ratio "$fw_c" "$im_c")" "$(ratio "$fw_w" "$vp_w")" "$(ratio "$fw_c" "$vp_c")"
done
echo "(milliseconds, whole processes including start-up, reading and writing PPM; median of $runs runs;"
echo " framewell-cli also flushes the written file to disk; vips has no HSL operation, and its"
echo " HSV row is three processes: to HSV, shift, back; ratios below 1: framewell is faster)"

# The operations alone. framewell: image_ops_bench (CPU time, in process). ImageMagick: one
# process applying the operation 11 times minus one applying it once, divided by 10 (vips
# cannot chain operations on its command line, and its start-up hides the operation's cost).
bench_bin="$build/bench/image_ops_bench"
[ -x "$bench_bin" ] || exit 0
csv=$("$bench_bin" --benchmark_format=csv 2>/dev/null)
echo
printf '%-27s %12s %14s %8s\n' "operation alone" framewell "ImageMagick" "fw/IM"
# name | image_ops_bench case | ImageMagick operator
alone=(
  "rotate 90 clockwise|rotate90|-rotate 90"
  "flip left-right|flip_h|-flop"
  "equalize|equalize|-equalize"
  "negative|negative|-negate"
  "contrast 40|contrast|-brightness-contrast 0x40"
  "brightness 40|brightness|-evaluate Add 15.686%"
  "hsv 30,10,-10|hsv|-define modulate:colorspace=HSB -modulate 90,110,116.667"
  "hsl 30,10,-10|hsl|-modulate 90,110,116.667"
)
for row in "${alone[@]}"; do
  IFS='|' read -r name case im_op <<<"$row"
  fw=$(awk -F, -v n="\"run/$case\"" '$1 == n { printf "%.1f", $4 }' <<<"$csv")
  chain=()
  for _ in $(seq 11); do
    # shellcheck disable=SC2206 # the operator's words are split on purpose
    chain+=($im_op)
  done
  # shellcheck disable=SC2086
  read -r _ one <<<"$(median_ms convert "$in" $im_op "$work/im.ppm")"
  read -r _ eleven <<<"$(median_ms convert "$in" "${chain[@]}" "$work/im.ppm")"
  im=$(awk -v a="$one" -v b="$eleven" 'BEGIN { printf "%.1f", (b - a) / 10 }')
  printf '%-27s %9s ms %11s ms %8s\n' "$name" "$fw" "$im" "$(ratio "$fw" "$im")"
done
echo "(CPU milliseconds for one 1920x1080 frame)"

#!/usr/bin/env bash
# Times a whole conversion of a 1920x1080 24-bit BMP into each format and back, by
# framewell-cli convert and by ImageMagick's convert, and prints the median times and ratios.
# Usage: bench/compare_convert.sh [BUILD_DIR]   (default build-bench; scripts/bench builds it)
set -euo pipefail
cd "$(dirname "$0")/.."
bench_default_runs=7
source bench/common.sh

# The same photograph-like content as imaging_bench.
make_test_frame "bmp3:$work/frame.bmp"

median_ms() { # command...
  local times=()
  for _ in $(seq "$runs"); do
    local t0=$(date +%s%N)
    "$@" >/dev/null 2>&1
    local t1=$(date +%s%N)
    times+=($(( (t1 - t0) / 1000 )))
  done
  printf '%s\n' "${times[@]}" | median_of 1
}

printf '%-6s %12s %12s %8s %12s %12s %8s\n' format "fw write" "IM write" ratio "fw read" "IM read" ratio
for ext in bmp jpg png tif pcx tga ppm jp2 j2k gif wbmp ps pdf; do
  "$cli" convert "$work/frame.bmp" "$work/out.$ext" >/dev/null 2>&1 || { echo "$ext: framewell-cli cannot write"; continue; }
  fw_w=$(median_ms "$cli" convert "$work/frame.bmp" "$work/fw.$ext")
  # Same compression on both sides: our TIFF default is LZW, ImageMagick's is none.
  im_args=()
  [ "$ext" = tif ] && im_args=(-compress LZW)
  if [ "$ext" = ps ] || [ "$ext" = pdf ]; then
    # ImageMagick's security policy on this distribution refuses to write PostScript and PDF.
    convert "$work/frame.bmp" "$work/im.$ext" >/dev/null 2>&1 || {
      printf '%-6s %10s ms %13s %8s\n' "$ext" "$(median_ms "$cli" convert "$work/frame.bmp" "$work/fw.$ext")" "(IM refuses)" "-"
      continue
    }
  fi
  im_w=$(median_ms convert "$work/frame.bmp" "${im_args[@]}" "$work/im.$ext")
  fw_r="-" im_r="-" r_ratio="-"
  if [ "$ext" != ps ] && [ "$ext" != pdf ]; then
    fw_r=$(median_ms "$cli" convert "$work/fw.$ext" "$work/back_fw.bmp")
    im_r=$(median_ms convert "$work/fw.$ext" "$work/back_im.bmp")
    r_ratio=$(awk -v a="$fw_r" -v b="$im_r" 'BEGIN {printf "%.2f", a/b}')
  fi
  w_ratio=$(awk -v a="$fw_w" -v b="$im_w" 'BEGIN {printf "%.2f", a/b}')
  printf '%-6s %10s ms %10s ms %8s %10s ms %10s ms %8s\n' "$ext" "$fw_w" "$im_w" "$w_ratio" "$fw_r" "$im_r" "$r_ratio"
done
echo "(times are whole processes, median of $runs; ratio = framewell / ImageMagick, below 1 is faster)"

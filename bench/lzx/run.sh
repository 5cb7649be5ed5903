#!/usr/bin/env bash
# LZX:21 side by side with the peers on one PE-like image, in one run:
#   compress: our encoder vs wimlib's LZX (2 MiB chunks, default level, one
#             thread) - size ratio, CPU speed, peak memory
#   expand:   our decoder vs 7-Zip and cabextract on our cabinet - CPU speed
# Prints each figure and the ratios between them.
#
#   bench/lzx/run.sh [INPUT] [SIZE_MB]     (default: a generated 300 MB image)
#
# Needs wine64 (for its PE DLLs, the default input), wimtools, 7zip,
# cabextract. Run it on an otherwise idle machine for stable speeds; all
# times are user CPU seconds, so a busy machine affects them less.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
out="$root/build/bench-lzx"
mkdir -p "$out"
input=${1:-"$out/pe-image.bin"}
size_mb=${2:-300}
if [ ! -f "$input" ]; then
  "$root/bench/lzx/make_input.sh" "$input" "$size_mb"
fi
for tool in wimlib-imagex 7zz cabextract; do
  command -v "$tool" >/dev/null || { echo "error: $tool is missing" >&2; exit 1; }
done

# The same optimisation as the RelWithDebInfo build of the project.
g++ -O2 -g -std=c++23 -Wall -Wextra -Werror -I"$root/tools" "$root/bench/lzx/lzx_bench.cpp" \
  "$root"/tools/lzx/*.cpp "$root/tools/common/error.cpp" -o "$out/lzx_bench"

bytes=$(stat -c %s "$input")
mb=$(awk -v b="$bytes" 'BEGIN { printf "%.1f", b / 1e6 }')
echo "input: $input ($mb MB)"

# time_of VARIABLE_PREFIX COMMAND...: runs COMMAND, keeps user seconds and peak KiB.
time_of() {
  local prefix=$1
  shift
  local log
  log=$(mktemp)
  /usr/bin/time -f "%U %M" -o "$log" "$@"
  read -r user rss <"$log"
  rm -f "$log"
  printf -v "${prefix}_user" '%s' "$user"
  printf -v "${prefix}_rss" '%s' "$rss"
}

echo "== compress"
time_of ours timeout 3600 "$out/lzx_bench" compress "$input" "$out/ours.cab" 21 >"$out/ours.txt"
ours_size=$(stat -c %s "$out/ours.cab")

rm -rf "$out/wim-source" "$out/peer.wim"
mkdir -p "$out/wim-source"
ln "$input" "$out/wim-source/image.bin" 2>/dev/null || cp "$input" "$out/wim-source/image.bin"
time_of wim timeout 3600 wimlib-imagex capture "$out/wim-source" "$out/peer.wim" --compress=LZX --chunk-size=2M \
  --threads=1 >/dev/null
wim_size=$(stat -c %s "$out/peer.wim")

awk -v b="$bytes" -v o="$ours_size" -v w="$wim_size" -v ou="$ours_user" -v wu="$wim_user" \
  -v orss="$ours_rss" -v wrss="$wim_rss" 'BEGIN {
  printf "ours   LZX:21 cabinet  size %d  ratio %.4f  %.2f MB/s  peak %.1f MiB\n", o, o / b, b / 1e6 / ou, orss / 1024
  printf "wimlib LZX 2M chunks   size %d  ratio %.4f  %.2f MB/s  peak %.1f MiB\n", w, w / b, b / 1e6 / wu, wrss / 1024
  printf "ours/wimlib: size %.4f  speed %.2f\n", o / w, wu / ou
}'

echo "== expand (our cabinet)"
time_of ours_expand "$out/lzx_bench" expand "$out/ours.cab" "$input" >"$out/ours-expand.txt"
grep -E "roundtrip|decode_mb_per_s" "$out/ours-expand.txt"
# Peers write to /dev/null while timed; their output is checked in a
# separate, untimed run.
time_of sevenzip bash -c "timeout 600 7zz e -so '$out/ours.cab' >/dev/null"
time_of cabx bash -c "timeout 600 cabextract -p '$out/ours.cab' >/dev/null"
timeout 600 7zz e -so "$out/ours.cab" | cmp - "$input" && echo "7zz extracts our cabinet exactly"
timeout 600 cabextract -p "$out/ours.cab" | cmp - "$input" && echo "cabextract extracts our cabinet exactly"
awk -v b="$bytes" -v s="$sevenzip_user" -v c="$cabx_user" -v ou="$ours_expand_user" 'BEGIN {
  printf "ours (whole process: reading, decoding, comparing) %.1f MB/s\n", b / 1e6 / ou
  printf "7zz e -so                                          %.1f MB/s\n", b / 1e6 / s
  printf "cabextract -p                                      %.1f MB/s\n", b / 1e6 / c
  printf "ours/7zz speed %.2f  ours/cabextract speed %.2f\n", s / ou, c / ou
}'

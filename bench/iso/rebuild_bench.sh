#!/usr/bin/env bash
# Rebuild speed: the workspace's two steps (take the 200 MB "WXPE" folder
# out of a ~300 MB image, then add the extracted one back) with tarniso and
# with xorriso, and genisoimage building the same image from the tree; side
# by side in interleaved rounds (warm cache, medians), plus tarniso's peak
# memory. With BASELINE=path/to/an/older/tarniso, that build runs the same
# two steps in the same rounds, to compare a change in one run.
#   [BASELINE=...] [RUNS=n] bench/iso/rebuild_bench.sh [TARNISO] [WORK_DIR]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
tarniso=${1:-$here/../../build/native/bin/tarniso}
work=${2:-$(mktemp -d /tmp/tarniso-bench.XXXXXX)}
runs=${RUNS:-5}
baseline=${BASELINE:-}
mkdir -p "$work"
[ -d "$work/tree" ] || "$here/make_pe_tree.sh" "$work/tree"
[ -f "$work/pe.iso" ] || timeout 600 xorriso -as mkisofs -R -J -joliet-long -o "$work/pe.iso" "$work/tree" >/dev/null 2>&1
rm -rf "$work/iso"
"$tarniso" -silent -in "$work/pe.iso" -extract "$work/iso"

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
seconds() { # FUNCTION: wall time of one run, under a time limit (peers can hang)
  local start end
  sync # data the previous tool left to write back is not charged to this one
  start=$(date +%s.%N)
  timeout 900 bash -c "$1" >/dev/null 2>&1
  sync
  end=$(date +%s.%N)
  echo "$end - $start" | bc
}
ours() { # [TARNISO]
  local tool=${1:-$tarniso}
  "$tool" -silent -in "$work/pe.iso" -rm "/WXPE" -jlong -imax -optimize -volu winpe -out "$work/pe2.iso" &&
    "$tool" -silent -in "$work/pe2.iso" -f "$work/iso/WXPE" -jlong -imax -optimize -volu winpe -out "$work/winpe.iso"
}
peer() {
  xorriso -indev "$work/pe.iso" -outdev "$work/x2.iso" -boot_image any keep -rm_r /WXPE -- -volid WINPE &&
    xorriso -indev "$work/x2.iso" -outdev "$work/x3.iso" -boot_image any keep -map "$work/iso/WXPE" /WXPE
}
from_tree() { genisoimage -J -joliet-long -input-charset utf-8 -V WINPE -o "$work/g.iso" "$work/iso"; }
export work tarniso baseline
export -f ours peer from_tree

: > "$work/tarniso.times"
: > "$work/xorriso.times"
: > "$work/genisoimage.times"
: > "$work/baseline.times"
for _ in $(seq "$runs"); do
  rm -f "$work"/{pe2,winpe,x2,x3,g}.iso
  seconds ours >> "$work/tarniso.times"
  if [ -n "$baseline" ]; then
    rm -f "$work"/{pe2,winpe}.iso
    seconds 'ours "$baseline"' >> "$work/baseline.times"
  fi
  rm -f "$work"/{x2,x3}.iso
  seconds peer >> "$work/xorriso.times"
  rm -f "$work/g.iso"
  seconds from_tree >> "$work/genisoimage.times"
done
ours
rss1=$( { /usr/bin/time -v "$tarniso" -silent -in "$work/pe.iso" -rm "/WXPE" -jlong -imax -optimize -volu winpe \
  -out "$work/pe2.iso" >/dev/null; } 2>&1 | awk -F': ' '/Maximum resident set size/ { print $2 }')
rss2=$( { /usr/bin/time -v "$tarniso" -silent -in "$work/pe2.iso" -f "$work/iso/WXPE" -jlong -imax -optimize \
  -volu winpe -out "$work/winpe.iso" >/dev/null; } 2>&1 | awk -F': ' '/Maximum resident set size/ { print $2 }')

size=$(stat -c %s "$work/winpe.iso")
printf 'image: %d MB, median of %d interleaved runs\n' $((size / 1000000)) "$runs"
for tool in tarniso xorriso genisoimage; do
  t=$(median < "$work/$tool.times")
  echo "$t" > "$work/$tool.time"
  printf '%-12s %6.3f s  %6.0f MB/s of final image\n' "$tool" "$t" "$(echo "$size / $t / 1000000" | bc -l)"
done
t_ours=$(cat "$work/tarniso.time")
printf 'ratio tarniso/xorriso:     %.2f (goal < 1)\n' "$(echo "$t_ours / $(cat "$work/xorriso.time")" | bc -l)"
printf 'ratio tarniso/genisoimage: %.2f (goal < 1)\n' "$(echo "$t_ours / $(cat "$work/genisoimage.time")" | bc -l)"
if [ -n "$baseline" ]; then
  t_base=$(median < "$work/baseline.times")
  printf 'baseline     %6.3f s\n' "$t_base"
  printf 'ratio tarniso/baseline:    %.2f\n' "$(echo "$t_ours / $t_base" | bc -l)"
fi
printf 'tarniso peak memory:       %d KiB (-rm), %d KiB (-f) (goal < 65536)\n' "$rss1" "$rss2"

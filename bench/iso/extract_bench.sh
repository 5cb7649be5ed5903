#!/usr/bin/env bash
# Extraction speed of tarniso against xorriso, 7zz and `cp -r` of the same
# tree, measured side by side in one run (warm cache, median of RUNS), and
# tarniso's peak memory. With BASELINE=path/to/an/older/tarniso, that build
# extracts in the same rounds, to compare a change in one run.
#   [BASELINE=...] [RUNS=n] bench/iso/extract_bench.sh [TARNISO] [WORK_DIR]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
tarniso=${1:-$here/../../build/native/bin/tarniso}
work=${2:-$(mktemp -d /tmp/tarniso-bench.XXXXXX)}
runs=${RUNS:-5}
baseline=${BASELINE:-}
mkdir -p "$work"
[ -d "$work/tree" ] || "$here/make_pe_tree.sh" "$work/tree"
[ -f "$work/pe.iso" ] || timeout 600 xorriso -as mkisofs -R -J -joliet-long -o "$work/pe.iso" "$work/tree" >/dev/null 2>&1
bytes=$(du -sb "$work/tree" | cut -f1)
rm -f "$work"/*.time

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
# time_of NAME COMMAND...: runs the command RUNS times into a fresh $work/out.
time_of() {
  local name=$1
  shift
  for _ in $(seq "$runs"); do
    rm -rf "$work/out"
    # Data the previous tool left to write back is not charged to this one.
    sync
    local start end
    start=$(date +%s.%N)
    timeout 600 "$@" >/dev/null 2>&1
    sync
    end=$(date +%s.%N)
    echo "$end - $start" | bc
  done | median > "$work/$name.time"
  rm -rf "$work/out"
}

# Interleaved rounds, so that noise from other work hits every tool alike.
for round in $(seq "$runs"); do
  RUNS=1 time_of "cp.$round" cp -r "$work/tree" "$work/out"
  RUNS=1 time_of "tarniso.$round" "$tarniso" -silent -in "$work/pe.iso" -extract "$work/out"
  if [ -n "$baseline" ]; then
    RUNS=1 time_of "baseline.$round" "$baseline" -silent -in "$work/pe.iso" -extract "$work/out"
  fi
  RUNS=1 time_of "xorriso.$round" xorriso -osirrox on -indev "$work/pe.iso" -extract / "$work/out"
  RUNS=1 time_of "7zz.$round" 7zz x -y "-o$work/out" "$work/pe.iso"
done
tools="cp tarniso xorriso 7zz${baseline:+ baseline}"
for tool in $tools; do
  cat "$work/$tool".*.time | median > "$work/$tool.time"
done
rss=$( { /usr/bin/time -v "$tarniso" -silent -in "$work/pe.iso" -extract "$work/out" >/dev/null; } 2>&1 \
  | awk -F': ' '/Maximum resident set size/ { print $2 }')
rm -rf "$work/out"

t_cp=$(cat "$work/cp.time")
t_ours=$(cat "$work/tarniso.time")
printf 'tree: %d MB, median of %d interleaved runs\n' $((bytes / 1000000)) "$runs"
for tool in tarniso cp xorriso 7zz${baseline:+ baseline}; do
  t=$(cat "$work/$tool.time")
  printf '%-8s %6.3f s  %6.0f MB/s\n' "$tool" "$t" "$(echo "$bytes / $t / 1000000" | bc -l)"
done
printf 'ratio tarniso/cp:      %.2f (goal <= 1.2)\n' "$(echo "$t_ours / $t_cp" | bc -l)"
printf 'ratio tarniso/xorriso: %.2f (goal < 1)\n' "$(echo "$t_ours / $(cat "$work/xorriso.time")" | bc -l)"
printf 'ratio tarniso/7zz:     %.2f (goal < 1)\n' "$(echo "$t_ours / $(cat "$work/7zz.time")" | bc -l)"
if [ -n "$baseline" ]; then
  printf 'ratio tarniso/baseline: %.2f\n' "$(echo "$t_ours / $(cat "$work/baseline.time")" | bc -l)"
fi
printf 'tarniso peak memory:   %d KiB (goal < 65536)\n' "$rss"

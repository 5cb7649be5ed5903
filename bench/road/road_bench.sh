#!/usr/bin/env bash
# The whole road of a run on a ~300 MB PE-like image, ours against the same
# road done by peer tools, side by side in one run:
#   ours:  expand IS_ -> ISO; tarniso -extract; tarniso -rm /WXPE;
#          tarniso -f WXPE; makecab LZX:21
#   peers: cabextract; xorriso extraction; xorriso rebuild (WXPE replaced);
#          gcab (MSZIP: no free tool writes LZX cabinets)
# Prints each step's wall time, the totals and the ratio ours / peers, and
# our peak memory. Needs the native build (build/native/bin).
#
#   bench/road/road_bench.sh [work-folder]
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
bin=$root/build/native/bin
work=${1:-$(mktemp -d /tmp/tarnwell-bench-road.XXXXXX)}
mkdir -p "$work"
trap 'rm -rf "$work"' EXIT
for tool in genisoimage xorriso cabextract gcab /usr/bin/time; do
  command -v "$tool" >/dev/null || { echo "error: $tool is not installed" >&2; exit 1; }
done
for tool in expand makecab tarniso; do
  [ -x "$bin/$tool" ] || { echo "error: build the native preset first ($tool missing)" >&2; exit 1; }
done

# The image: the ISO benchmarks' PE-like tree with a startup configuration,
# compressed with our makecab as a PE image arrives.
"$root/bench/iso/make_pe_tree.sh" "$work/tree" >/dev/null
printf 'LINK %%Desktop%%\\A,%%SystemRoot%%\\SYSTEM32\\TOOL\\a.exe\r\n' > "$work/tree/WXPE/SYSTEM32/PECMD.ini"
genisoimage -quiet -J -joliet-long -R -input-charset utf-8 -V WINPE -o "$work/source.iso" "$work/tree"
(cd "$work" && "$bin/makecab" /D CompressionType=LZX /D CompressionMemory=21 source.iso WINPE.IS_ >/dev/null)
rm -rf "$work/tree"
size=$(stat -c %s "$work/source.iso")
echo "image: $((size / 1000000)) MB ISO, $(($(stat -c %s "$work/WINPE.IS_") / 1000000)) MB as IS_"

peak=0
step() { # name, command...
  local name=$1
  shift
  sync
  local start end kib
  start=$(date +%s.%N)
  /usr/bin/time -f %M -o "$work/mem" "$@" >/dev/null 2>"$work/err" || { cat "$work/err" >&2; exit 1; }
  end=$(date +%s.%N)
  kib=$(cat "$work/mem")
  [ "$kib" -gt "$peak" ] && peak=$kib
  elapsed=$(echo "$end - $start" | bc)
  printf '  %-34s %8.2f s\n' "$name" "$elapsed"
  total=$(echo "$total + $elapsed" | bc)
}

echo "ours:"
total=0
ours_dir=$work/ours
mkdir -p "$ours_dir"
step "expand" "$bin/expand" "$work/WINPE.IS_" "$ours_dir/pe.iso"
step "tarniso -extract" "$bin/tarniso" -silent -in "$ours_dir/pe.iso" -extract "$ours_dir/iso"
step "tarniso -rm /WXPE" "$bin/tarniso" -in "$ours_dir/pe.iso" -rm /WXPE -jlong -imax -optimize -volu winpe \
  -out "$ours_dir/pe2.iso"
step "tarniso -f WXPE" "$bin/tarniso" -in "$ours_dir/pe2.iso" -f "$ours_dir/iso/WXPE" -jlong -imax -optimize \
  -volu winpe -out "$ours_dir/winpe.iso"
step "makecab LZX:21" "$bin/makecab" /D CompressionType=LZX /D CompressionMemory=21 "$ours_dir/winpe.iso" \
  "$ours_dir/WINPE.IS_"
ours_total=$total
ours_peak=$peak
rm -rf "$ours_dir"

echo "peers:"
total=0
peak=0
peer_dir=$work/peers
mkdir -p "$peer_dir/x"
step "cabextract" cabextract -q -d "$peer_dir/x" "$work/WINPE.IS_"
step "xorriso extraction" xorriso -abort_on FAILURE -osirrox on -indev "$peer_dir/x/source.iso" -extract / \
  "$peer_dir/iso"
step "xorriso rebuild" xorriso -abort_on FAILURE -indev "$peer_dir/x/source.iso" -outdev "$peer_dir/winpe.iso" \
  -joliet on -volid WINPE -rm_r /WXPE -- -map "$peer_dir/iso/WXPE" /WXPE -commit
step "gcab MSZIP" gcab -c -z "$peer_dir/WINPE.IS_" "$peer_dir/winpe.iso"
peers_total=$total

printf 'total: ours %.2f s, peers %.2f s, ours / peers %.2f\n' "$ours_total" "$peers_total" \
  "$(echo "$ours_total / $peers_total" | bc -l)"
echo "our peak memory: $ours_peak KiB"

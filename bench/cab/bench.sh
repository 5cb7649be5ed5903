#!/usr/bin/env bash
# Compression and expansion of a ~300 MB PE-like ISO image with our expand
# and makecab and with the peer tools, side by side in one run, on one core.
# Prints speed (MB/s of the uncompressed image), ratio (output / input),
# peak memory, and the ratios of ours against each peer.
#
#   bench/cab/bench.sh [size-in-MB] [work-folder] [rounds]
#
# The expansions take about a second each, short enough for a busy machine
# to skew one run either way: they run `rounds` times (default 5), all of
# them in turn each round, and each keeps its fastest round.
#
# The image is assembled from this machine's own files, in the mix a Windows
# PE image has: executable code (ELF programs and libraries standing in for
# PE files), text (documentation standing in for INF/INI/XML), and data that
# is already compressed (gzip'd files standing in for the CABs and WIMs
# inside). It is regenerated each run and removed afterwards.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
size_mb=${1:-300}
work=${2:-$(mktemp -d /tmp/tarnwell-bench-cab.XXXXXX)}
rounds=${3:-5}
bin=$root/build/native/bin
mkdir -p "$work"
trap 'rm -rf "$work"' EXIT
for tool in genisoimage gcab cabextract 7zz /usr/bin/time; do
  command -v "$tool" >/dev/null || { echo "error: $tool is not installed" >&2; exit 1; }
done
[ -x "$bin/makecab" ] && [ -x "$bin/expand" ] || { echo "error: build the native preset first" >&2; exit 1; }

# --- the image: 60% code, 25% text, 15% compressed data, by bytes --------
list=$work/paths.txt
: >"$list"
add_files() { # share-of-size, then find arguments
  local budget=$(($1 * size_mb * 1024 * 1024 / 100))
  shift
  find "$@" -type f -printf '%s %p\n' 2>/dev/null | sort -k2 |
    awk -v budget="$budget" -v tag="$RANDOM" '$1 > 0 { total += $1; n++; path = substr($0, index($0, " ") + 1);
      name = path; sub(/.*\//, "", name); gsub(/[^A-Za-z0-9._]/, "_", name);
      printf "p%s_%06d_%s=%s\n", tag, n, name, path; if (total >= budget) exit }' >>"$list" || true # awk stops early
}
add_files 60 /usr/lib/x86_64-linux-gnu /usr/bin -size +8k \( -name '*.so*' -o -perm -u+x \) -not -name '*.a'
add_files 25 /usr/share/doc /usr/share/perl /usr/share/i18n /usr/include -size +1k -not -name '*.gz'
add_files 15 /usr/share/doc /usr/share/man /usr/share/info -size +1k -name '*.gz'
genisoimage -quiet -J -R -V WINPE -graft-points -o "$work/winpe.iso" -path-list "$list"
input_bytes=$(stat -c %s "$work/winpe.iso")
echo "image: $input_bytes bytes ($(wc -l <"$list") files)"

# --- one measured run: wall seconds and peak RSS from /usr/bin/time -v ---
# Speeds are given twice: over wall time (what a user waits, including our
# tools' flush to disk before the atomic rename) and over CPU time (user +
# system), which stays fair when other jobs share the machine.
declare -A seconds cpu memory out_bytes
measure() { # label, output-file-or-folder, command...
  local label=$1 output=$2
  shift 2
  sync
  (cd "$work" && /usr/bin/time -v timeout 3600 taskset -c 0 "$@" >/dev/null 2>"$work/time.txt") || {
    cat "$work/time.txt" >&2
    echo "error: $label failed" >&2
    exit 1
  }
  local wall
  wall=$(grep 'Elapsed (wall clock)' "$work/time.txt" | awk '{print $NF}')
  seconds[$label]=$(awk -F: '{ s = 0; for (i = 1; i <= NF; i++) s = s * 60 + $i; print s }' <<<"$wall")
  memory[$label]=$(grep 'Maximum resident' "$work/time.txt" | awk '{print $NF}')
  cpu[$label]=$(awk -F': ' '/User time|System time/ { s += $2 } END { print s }' "$work/time.txt")
  out_bytes[$label]=$(du -sb "$work/$output" | cut -f1)
}
# The same, keeping the fastest of the runs so far (by wall time, with that
# run's CPU time and memory). Each run writes a new file, as when the program
# expands an image into its empty work folder: the last round's output is
# removed first, outside the timing. (Replacing a large file costs a tool
# that renames its output into place, as ours does, the file system's flush
# of the new file, about 0.2 s here; a tool that deletes the old file first
# pays for the deletion instead.)
declare -A best_seconds best_cpu best_memory
measure_best() { # label, output-file-or-folder, command...
  local label=$1
  if [ -d "$work/$2" ]; then find "$work/$2" -mindepth 1 -delete; else rm -f "$work/$2"; fi
  measure "$@"
  if [ -z "${best_seconds[$label]:-}" ] ||
    awk -v a="${seconds[$label]}" -v b="${best_seconds[$label]}" 'BEGIN { exit !(a < b) }'; then
    best_seconds[$label]=${seconds[$label]}
    best_cpu[$label]=${cpu[$label]}
    best_memory[$label]=${memory[$label]}
  fi
  seconds[$label]=${best_seconds[$label]}
  cpu[$label]=${best_cpu[$label]}
  memory[$label]=${best_memory[$label]}
}
speed() { awk -v b="$input_bytes" -v s="${seconds[$1]}" 'BEGIN { printf "%.1f", b / 1e6 / (s > 0 ? s : 0.001) }'; }
cpu_speed() { awk -v b="$input_bytes" -v s="${cpu[$1]}" 'BEGIN { printf "%.1f", b / 1e6 / (s > 0 ? s : 0.001) }'; }
ratio() { awk -v o="${out_bytes[$1]}" -v b="$input_bytes" 'BEGIN { printf "%.4f", o / b }'; }
report() {
  printf '%-28s wall %7s MB/s  cpu %7s MB/s  ratio %s  peak %6d KiB\n' "$1" "$(speed "$1")" "$(cpu_speed "$1")" \
    "$(ratio "$1")" "${memory[$1]}"
}
versus() { # ours, peer: speed ratios (>1: ours faster) and size ratio (<1: ours smaller)
  awk -v a="${seconds[$1]}" -v b="${seconds[$2]}" -v c="${cpu[$1]}" -v d="${cpu[$2]}" \
    -v x="${out_bytes[$1]}" -v y="${out_bytes[$2]}" -v l1="$1" -v l2="$2" \
    'BEGIN { printf "%-28s vs %-24s wall speed x%.2f  cpu speed x%.2f  size x%.4f\n", l1, l2, b / a, d / c, x / y }'
}

# --- compression ----------------------------------------------------------
measure "makecab MSZIP (ours)" ours-mszip.cab "$bin/makecab" winpe.iso ours-mszip.cab
measure "gcab -z (MSZIP)" gcab.cab gcab -c -z gcab.cab winpe.iso
measure "makecab LZX:21 (ours)" ours-lzx.cab "$bin/makecab" /D CompressionType=LZX /D CompressionMemory=21 winpe.iso ours-lzx.cab
have_wimlib=no
if command -v wimlib-imagex >/dev/null; then
  have_wimlib=yes
  mkdir -p "$work/wimsrc"
  ln "$work/winpe.iso" "$work/wimsrc/winpe.iso"
  measure "wimlib LZX 2 MiB chunks" wimlib.wim wimlib-imagex capture wimsrc wimlib.wim --compress=LZX --chunk-size=2M --threads=1
fi

# --- expansion --------------------------------------------------------------
mkdir -p "$work/g" "$work/c1" "$work/c2" "$work/z1" "$work/z2"
for round in $(seq "$rounds"); do
  measure_best "expand MSZIP (ours)" back-ours-mszip.iso "$bin/expand" ours-mszip.cab back-ours-mszip.iso
  measure_best "gcab -x (MSZIP)" g bash -c 'cd g && gcab -x ../ours-mszip.cab'
  measure_best "cabextract (MSZIP)" c1 cabextract -q -d c1 ours-mszip.cab
  measure_best "7zz x (MSZIP)" z1 7zz x -bd -y -oz1 ours-mszip.cab
  measure_best "expand LZX:21 (ours)" back-ours-lzx.iso "$bin/expand" ours-lzx.cab back-ours-lzx.iso
  measure_best "cabextract (LZX:21)" c2 cabextract -q -d c2 ours-lzx.cab
  measure_best "7zz x (LZX:21)" z2 7zz x -bd -y -oz2 ours-lzx.cab
done
for f in back-ours-mszip.iso back-ours-lzx.iso g/winpe.iso c1/winpe.iso c2/winpe.iso z1/winpe.iso z2/winpe.iso; do
  cmp -s "$work/winpe.iso" "$work/$f" || { echo "error: $f differs from the image" >&2; exit 1; }
done

echo
echo "== each run (speed over the uncompressed image; ratio of output to input)"
for label in "makecab MSZIP (ours)" "gcab -z (MSZIP)" "makecab LZX:21 (ours)"; do report "$label"; done
[ "$have_wimlib" = no ] || report "wimlib LZX 2 MiB chunks"
for label in "expand MSZIP (ours)" "gcab -x (MSZIP)" "cabextract (MSZIP)" "7zz x (MSZIP)" \
  "expand LZX:21 (ours)" "cabextract (LZX:21)" "7zz x (LZX:21)"; do report "$label"; done
echo
echo "== ours against the peers (speed >1: ours faster; size <1: ours smaller)"
versus "makecab MSZIP (ours)" "gcab -z (MSZIP)"
[ "$have_wimlib" = no ] || versus "makecab LZX:21 (ours)" "wimlib LZX 2 MiB chunks"
versus "expand MSZIP (ours)" "gcab -x (MSZIP)"
versus "expand MSZIP (ours)" "cabextract (MSZIP)"
versus "expand LZX:21 (ours)" "7zz x (LZX:21)"
versus "expand LZX:21 (ours)" "cabextract (LZX:21)"

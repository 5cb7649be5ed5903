#!/usr/bin/env bash
# Writes a PE-image-like test input of about SIZE_MB megabytes (default 300)
# to OUTPUT: real Windows binaries (Wine's PE DLLs and EXEs, every second
# one in name order so that the whole set is sampled), with some text and
# already-compressed files mixed in, each padded with zeros to a 2 KiB
# sector as an ISO image lays files out.
set -euo pipefail
output=${1:?usage: make_input.sh OUTPUT [SIZE_MB]}
size_mb=${2:-300}
limit=$((size_mb * 1000000))
wine_dir=/usr/lib/x86_64-linux-gnu/wine/x86_64-windows
[ -d "$wine_dir" ] || { echo "error: $wine_dir is missing (install wine64)" >&2; exit 1; }

list=$(mktemp)
trap 'rm -f "$list"' EXIT
find "$wine_dir" -maxdepth 1 -type f \( -name '*.dll' -o -name '*.exe' -o -name '*.sys' \) | sort | awk 'NR % 2 == 1' >"$list.pe"
find /usr/share/doc -type f -name 'copyright' | sort | awk 'NR <= 400' >"$list.text"
find /usr/share/doc /usr/share/man -type f -name '*.gz' | sort | awk 'NR <= 600' >"$list.gz"
# Interleave: nine binaries, then one text file and one compressed file.
paste -d '\n' <(awk '{print} NR % 9 == 0 {print "@text"; print "@gz"}' "$list.pe") /dev/null | grep -v '^$' >"$list"

: >"$output"
written=0
text_line=0
gz_line=0
while read -r entry; do
  case $entry in
    @text) text_line=$((text_line + 1)); file=$(sed -n "${text_line}p" "$list.text") ;;
    @gz) gz_line=$((gz_line + 1)); file=$(sed -n "${gz_line}p" "$list.gz") ;;
    *) file=$entry ;;
  esac
  [ -n "$file" ] && [ -f "$file" ] || continue
  size=$(stat -c %s "$file")
  pad=$(((2048 - size % 2048) % 2048))
  { cat "$file"; dd if=/dev/zero bs=1 count="$pad" status=none; } >>"$output"
  written=$((written + size + pad))
  [ "$written" -lt "$limit" ] || break
done <"$list"
rm -f "$list.pe" "$list.text" "$list.gz"
truncate -s "$limit" "$output" 2>/dev/null || true
echo "$output: $(stat -c %s "$output") bytes"

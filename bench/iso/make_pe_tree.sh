#!/usr/bin/env bash
# Makes a PE-like tree of about 300 MB for the ISO benchmarks: a 200 MB
# "WXPE" folder of many small and some large files (with Chinese names), and
# 100 MB of other top-level content.
#   make_pe_tree.sh DIR
set -euo pipefail
dir=$1
rm -rf "$dir"
mkdir -p "$dir"
# Incompressible but cheap content: one random block reused with a varying
# head, so that files differ (and -optimize finds nothing to share).
seed=$(mktemp)
trap 'rm -f "$seed"' EXIT
head -c $((8 << 20)) /dev/urandom > "$seed"
file() { # path size index
  mkdir -p "$(dirname "$1")"
  { printf '%08d' "$3"; head -c $(($2 - 8)) "$seed"; } > "$1"
}
n=0
# WXPE: 2,000 files of 4..96 KiB (~100 MB) and 12 of 8 MiB (~100 MB).
for i in $(seq 1 2000); do
  n=$((n + 1))
  file "$dir/WXPE/SYSTEM32/组$((i % 40))/文件$i.dll" $(((4 + (i * 37) % 93) * 1024)) $n
done
for i in $(seq 1 12); do
  n=$((n + 1))
  file "$dir/WXPE/SYSTEM32/TOOL/大文件$i.bin" $((8 << 20)) $n
done
# Outside WXPE: boot files and ~100 MB of large archives.
for i in $(seq 1 12); do
  n=$((n + 1))
  file "$dir/SOURCES/boot$i.wim" $((8 << 20)) $n
done
for i in $(seq 1 200); do
  n=$((n + 1))
  file "$dir/BOOT/FONTS/font$i.ttf" $(((2 + i % 7) * 1024)) $n
done
du -sm "$dir" | awk '{ print "tree: " $1 " MB" }'

#!/usr/bin/env bash
# Builds the ISO reader's libFuzzer target with Debian's clang and generates
# its seed corpus (small images made by xorriso and genisoimage).
#   fuzz/iso/build.sh [OUT_DIR]     (default: build/fuzz-iso)
# Run:  OUT_DIR/iso_reader_fuzz -max_total_time=600 OUT_DIR/corpus
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
out=${1:-$root/build/fuzz-iso}
mkdir -p "$out/corpus" "$out/seed-trees"

# clang 14 cannot compile libstdc++ 12's <expected>; compat/ holds a
# stand-in that is found first (see the note in it).
clang++ -std=c++2b -O1 -g -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
  -I "$here/compat" -I "$root/tools" \
  "$here/iso_reader_fuzz.cpp" \
  "$root"/tools/iso/{anomaly,boot_catalog_reader,dates,image_reader,names,rock_ridge}.cpp \
  "$root"/tools/common/error.cpp \
  -o "$out/iso_reader_fuzz"

# Seeds: a few shapes of tree, with and without Joliet, Rock Ridge and a
# boot catalog. Kept small, since the fuzzer mutates whole files.
tree=$out/seed-trees/tree
rm -rf "$tree"
mkdir -p "$tree/a/b/c/d/e/f/g/h/i" "$tree/empty"
printf 'x' > "$tree/a/one.txt"
head -c 2049 /dev/zero > "$tree/a/b/boundary.bin"
printf 'deep' > "$tree/a/b/c/d/e/f/g/h/i/leaf"
head -c 2048 /dev/zero > "$tree/boot.img"
make() { timeout 60 "$@" >/dev/null 2>&1 || echo "seed maker failed: $*" >&2; }
make xorriso -as mkisofs -R -J -o "$out/corpus/xorriso-rr-joliet.iso" "$tree"
make xorriso -as mkisofs -R -o "$out/corpus/xorriso-rr.iso" "$tree"
make xorriso -as mkisofs -R -J -b boot.img -no-emul-boot -eltorito-alt-boot -e boot.img -no-emul-boot \
  -o "$out/corpus/xorriso-boot.iso" "$tree"
make genisoimage -J -o "$out/corpus/genisoimage-joliet.iso" "$tree"
make genisoimage -o "$out/corpus/genisoimage-plain.iso" "$tree"
make genisoimage -R -o "$out/corpus/genisoimage-rr-deep.iso" "$tree"
echo "built $out/iso_reader_fuzz with $(ls "$out/corpus" | wc -l) seeds"

#!/usr/bin/env bash
# The Windows build of tarniso, run under Wine, extracts an image with
# Chinese (GBK-range) names exactly as xorriso does on Linux, and a shared
# Joliet image as its listed results say.
#   wine_extract_test.sh RUNNER TARNISO_EXE SHARED_TESTDATA_DIR
set -euo pipefail
runner=$1
tarniso=$2
shared=$3
work=$(mktemp -d)
trap 'chmod -R u+rwx "$work"; rm -rf "$work"' EXIT

src=$work/source
mkdir -p "$src/中文目录/子目录" "$src/empty" "$src/sizes"
printf 'readme\r\n' > "$src/中文目录/说明文件（第一版）.txt"
printf 'long' > "$src/中文目录/很长的文件名很长的文件名-long-name-很长的文件名很长的文件名-long-name-end.dat"
printf 'deep' > "$src/中文目录/子目录/叶子.txt"
for size in 0 2047 2048 2049 70000; do head -c "$size" /dev/urandom > "$src/sizes/file-$size.bin"; done
find "$src" -exec touch -d '2021-03-04 05:06:07 UTC' {} +

timeout 120 xorriso -as mkisofs -R -J -joliet-long -o "$work/image.iso" "$src" >/dev/null 2>&1
timeout 120 xorriso -osirrox on -indev "$work/image.iso" -extract / "$work/peer" >/dev/null 2>&1
chmod -R u+rwx "$work/peer"

timeout 300 "$runner" "$tarniso" -silent -in "Z:$work/image.iso" -extract "Z:$work/ours"
diff -r "$work/peer" "$work/ours"
# Dates: every entry's modification time as xorriso restored it.
(cd "$work/peer" && find . -mindepth 1 -printf '%p %T@\n' | sort) > "$work/peer.dates"
(cd "$work/ours" && find . -mindepth 1 -printf '%p %T@\n' | sort) > "$work/ours.dates"
diff "$work/peer.dates" "$work/ours.dates"

if [ -f "$shared/joliet.iso" ]; then
  timeout 300 "$runner" "$tarniso" -silent -in "Z:$shared/joliet.iso" -extract "Z:$work/joliet"
  awk -F'\t' '$1 == "joliet.iso" { print $2 "  " $4 }' "$shared/EXPECTED.md5" | sort > "$work/expected.md5"
  (cd "$work/joliet" && find . -type f -printf '%P\n' | sort | xargs -d '\n' md5sum) | sort > "$work/actual.md5"
  diff <(sort -k2 "$work/expected.md5") <(sort -k2 "$work/actual.md5")
fi
echo "wine extraction matches"

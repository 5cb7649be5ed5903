#!/usr/bin/env bash
# Builds the libFuzzer targets with Debian's clang (ASan + UBSan) into
# build/fuzz and runs each for a while (10 minutes by default), niced, one
# after another. Findings land in build/fuzz/findings/<target>; each one
# becomes a fixture in tests/cab once fixed.
#   fuzz/cab/build_and_run.sh [seconds-per-target]
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
seconds=${1:-600}
out=$root/build/fuzz
mkdir -p "$out"
common="$root/tools/common/error.cpp"
cab_sources=(
  "$root/tools/cab/io.cpp" "$root/tools/cab/cabinet/reader.cpp" "$root/tools/cab/cabinet/block_decoder.cpp"
  "$root/tools/cab/mszip/inflate.cpp" "$root/tools/cab/szdd/reader.cpp"
)
lzx_sources=()
defines=()
if [ -f "$root/tools/lzx/decoder.cpp" ]; then
  mapfile -t lzx_sources < <(ls "$root"/tools/lzx/*.cpp | grep -v encoder)
  defines=(-DTARNWELL_HAVE_LZX=1)
fi
# Debian 12's clang 14 cannot compile libstdc++ 12's <expected>; the
# stand-in in clang14_expected/ takes its place in these builds.
flags=(-std=c++2b -O1 -g -fsanitize=fuzzer,address,undefined -I"$root/fuzz/cab/clang14_expected" -I"$root/tools"
  "${defines[@]}")
for target in cabinet mszip szdd; do
  clang++ "${flags[@]}" "$root/fuzz/cab/fuzz_$target.cpp" "${cab_sources[@]}" "${lzx_sources[@]}" "$common" \
    -o "$out/fuzz_$target"
done
"$root/fuzz/cab/make_seeds.sh" "$out/seeds" "$root/build/native/bin" "$root/../shared/testdata/real"
for target in cabinet mszip szdd; do
  mkdir -p "$out/corpus/$target" "$out/findings/$target"
  echo "== fuzz_$target for ${seconds}s"
  nice -n 19 "$out/fuzz_$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=1024 \
    -artifact_prefix="$out/findings/$target/" "$out/corpus/$target" "$out/seeds/$target" 2>&1 | tail -n 5
done

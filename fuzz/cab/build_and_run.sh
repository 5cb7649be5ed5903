#!/usr/bin/env bash
# Builds the libFuzzer targets with Debian's clang (ASan + UBSan) into
# build/fuzz and runs each for a while (10 minutes by default), niced, all
# three at once. Findings land in build/fuzz/findings/<target>; each one
# becomes a fixture in tests/cab once fixed.
#   fuzz/cab/build_and_run.sh [seconds-per-target]
set -uo pipefail
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
  # The decoder's part of the LZX library only.
  for name in decoder huffman_decoder e8_translation; do
    [ -f "$root/tools/lzx/$name.cpp" ] && lzx_sources+=("$root/tools/lzx/$name.cpp")
  done
  defines=(-DTARNWELL_HAVE_LZX=1)
fi
# Debian 12's clang 14 cannot compile libstdc++ 12's <expected>; the
# stand-in in clang14_expected/ takes its place in these builds.
flags=(-std=c++2b -O1 -g -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all -I"$root/fuzz/cab/clang14_expected" -I"$root/tools"
  "${defines[@]}")
for target in cabinet mszip szdd; do
  clang++ "${flags[@]}" "$root/fuzz/cab/fuzz_$target.cpp" "${cab_sources[@]}" "${lzx_sources[@]}" "$common" \
    -o "$out/fuzz_$target"
done
"$root/fuzz/cab/make_seeds.sh" "$out/seeds" "$root/build/native/bin" "$root/../shared/testdata/real"
# The targets run side by side; a finding stops only its own target.
for target in cabinet mszip szdd; do
  mkdir -p "$out/corpus/$target" "$out/findings/$target"
  (
    nice -n 19 "$out/fuzz_$target" -max_total_time="$seconds" -timeout=30 -rss_limit_mb=1024 \
      -artifact_prefix="$out/findings/$target/" "$out/corpus/$target" "$out/seeds/$target" \
      >"$out/fuzz_$target.log" 2>&1
    echo "== fuzz_$target exit $?: $(grep -c '' "$out/fuzz_$target.log") log lines, findings:" \
      "$(ls "$out/findings/$target" | wc -l)"
    grep -E '^(#[0-9]+ +DONE|SUMMARY|==[0-9]+==ERROR)' "$out/fuzz_$target.log" | tail -n 3
  ) &
done
wait

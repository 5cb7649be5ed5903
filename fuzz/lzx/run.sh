#!/usr/bin/env bash
# Builds the LZX fuzz targets, generates their seeds, and runs each for
# SECONDS (default 600) at low priority. Findings land in
# build/fuzz-lzx/<target>-findings/; each one becomes a test fixture.
#
#   fuzz/lzx/run.sh [SECONDS]
#
# The fuzzing engine is libFuzzer from Debian's clang (libclang-rt-14-dev).
# clang 14 cannot compile our code (libstdc++ 12's std::expected needs
# conditionally trivial destructors, which clang 14 lacks), so the code is
# compiled by GCC with ASan, UBSan and -fsanitize-coverage=trace-pc,trace-cmp
# and linked with clang's libFuzzer runtime; gcc_coverage_shim.cpp turns
# GCC's trace-pc calls into the counters libFuzzer reads.
set -euo pipefail
cd "$(dirname "$0")/../.."
seconds=${1:-600}
out=build/fuzz-lzx
runtime=$(ls /usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a 2>/dev/null | head -n 1)
[ -n "$runtime" ] || { echo "error: libFuzzer runtime missing (install clang and libclang-rt-14-dev)" >&2; exit 1; }
mkdir -p "$out/objects"

flags=(-std=c++23 -O1 -g -Itools -Ifuzz/lzx -Wall -Wextra -Werror -fsanitize=address,undefined)
objects=()
for source in tools/lzx/*.cpp tools/common/error.cpp; do
  object="$out/objects/$(basename "$source" .cpp).o"
  g++ "${flags[@]}" -fsanitize-coverage=trace-pc,trace-cmp -c "$source" -o "$object"
  objects+=("$object")
done
g++ "${flags[@]}" -c fuzz/lzx/gcc_coverage_shim.cpp -o "$out/objects/shim.o"
for target in lzx_decode_fuzz lzx_round_trip_fuzz; do
  g++ "${flags[@]}" -fsanitize-coverage=trace-pc,trace-cmp -c "fuzz/lzx/$target.cpp" -o "$out/objects/$target.o"
  # The shim comes first so that its trace-pc hook wins over the runtime's.
  g++ -fsanitize=address,undefined -Wl,--allow-multiple-definition "$out/objects/shim.o" \
    "$out/objects/$target.o" "${objects[@]}" "$runtime" -lpthread -o "$out/$target"
done
g++ -std=c++23 -O2 -Itools -Ifuzz/lzx fuzz/lzx/make_seeds.cpp tools/lzx/*.cpp tools/common/error.cpp \
  -o "$out/make_seeds"

for target in lzx_decode_fuzz lzx_round_trip_fuzz; do
  rm -rf "$out/$target-corpus"
  mkdir -p "$out/$target-corpus" "$out/$target-findings"
done
"$out/make_seeds" "$out/lzx_decode_fuzz-corpus" "$out/lzx_round_trip_fuzz-corpus"

status=0
for target in lzx_decode_fuzz lzx_round_trip_fuzz; do
  echo "== $target for $seconds s"
  # One target after the other: the machine has two cores.
  nice -n 10 "$out/$target" "$out/$target-corpus" -max_total_time="$seconds" -timeout=30 -rss_limit_mb=2048 \
    -max_len=100000 -artifact_prefix="$out/$target-findings/" -print_final_stats=1 >"$out/$target.log" 2>&1 \
    || status=1
  grep -E "^#[0-9]+ +DONE|stat::number_of_executed_units|ERROR|SUMMARY" "$out/$target.log" || true
done
exit $status

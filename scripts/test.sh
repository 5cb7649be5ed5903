#!/usr/bin/env bash
# Builds everything (native, ASan+UBSan, both Windows builds) and runs every
# tier of tests: unit, handler and peer tests natively and under the
# sanitizers, and the Windows test executables under wine64.
set -uo pipefail
cd "$(dirname "$0")/.."

./scripts/deps.sh || { echo "error: installing the build dependencies failed" >&2; exit 1; }

jobs=$(nproc)
status=0
passed=0
failed=0

build() {
  local preset=$1
  echo "== build $preset"
  cmake --preset "$preset" >/dev/null && cmake --build --preset "$preset" -j "$jobs"
}

run_tests() {
  local preset=$1
  echo "== test $preset"
  local log
  log=$(mktemp)
  ctest --preset "$preset" -j "$jobs" 2>&1 | tee "$log"
  local line
  line=$(grep -E '[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -n 1)
  if [ -n "$line" ]; then
    local bad total
    bad=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\1/' <<<"$line")
    total=$(sed -E 's/.* failed out of ([0-9]+).*/\1/' <<<"$line")
    failed=$((failed + bad))
    passed=$((passed + total - bad))
    [ "$bad" -eq 0 ] || status=1
  else
    echo "error: no test result from the $preset run" >&2
    failed=$((failed + 1))
    status=1
  fi
  rm -f "$log"
}

for preset in native asan mingw-x64 mingw-i686; do
  if ! build "$preset"; then
    echo "error: the $preset build failed" >&2
    failed=$((failed + 1))
    status=1
  fi
done

run_tests native
run_tests asan
# A fresh Wine prefix for every run.
rm -rf build/mingw-x64/wineprefix
run_tests mingw-x64

if [ -x scripts/check-imports.sh ]; then
  scripts/check-imports.sh build/mingw-i686/bin || { failed=$((failed + 1)); status=1; }
fi

echo "total: $passed passed, $failed failed"
exit $status

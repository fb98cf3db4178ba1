#!/usr/bin/env bash
# Builds the upgrader and runs the whole test suite: once as it ships, once
# under AddressSanitizer + UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/packages.sh

jobs=$(nproc)
config=()
[ -f tests/download/freescale-test.cmake ] && config+=(-C tests/download/freescale-test.cmake)

run_suite() {
  local dir=$1; shift
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "${config[@]}" "$@" >/dev/null
  cmake --build "$dir" -j"$jobs"
  (cd "$dir" && ctest -j"$jobs" --output-on-failure)
}

echo "== Test suite =="
run_suite build-test
echo "== Test suite under AddressSanitizer and UndefinedBehaviorSanitizer =="
ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 run_suite build-asan -DKORVANE_SANITIZE=ON
bash scripts/fuzz.sh

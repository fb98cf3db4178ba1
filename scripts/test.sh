#!/usr/bin/env bash
# Builds the upgrader and runs the whole test suite: once as it ships, once
# under AddressSanitizer + UndefinedBehaviorSanitizer, then a short fuzzing
# run of the byte parsers. Ends with one line counting every CTest result.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/packages.sh

jobs=$(nproc)
# Most tests spend their time waiting on a simulated line, not computing: one
# more at a time than there are cores keeps the machine busy.
test_jobs=$((jobs + 1))
config=()
[ -f tests/download/freescale-test.cmake ] && config+=(-C tests/download/freescale-test.cmake)

passed=0
failed=0
# Called where a failure must not end the script (the summary comes last),
# so errexit is off inside: each step checks for itself. A build that fails
# counts as one failure.
run_suite() {
  local dir=$1; shift
  # Warnings are errors here: there are none, and none may creep in.
  if ! cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKORVANE_WERROR=ON "${config[@]}" "$@" >/dev/null \
      || ! cmake --build "$dir" -j"$jobs"; then
    echo "$dir: build FAILED" >&2
    failed=$((failed + 1))
    return 1
  fi
  local status=0
  (cd "$dir" && ctest -j"$test_jobs" --output-on-failure) | tee "$dir/ctest-output.txt" || status=$?
  local summary total bad
  summary=$(grep -E '^[0-9]+% tests passed, [0-9]+ tests failed out of [0-9]+' "$dir/ctest-output.txt" | tail -n 1)
  total=$(sed -E 's/.* out of ([0-9]+).*/\1/' <<<"$summary")
  bad=$(sed -E 's/.*passed, ([0-9]+) tests failed.*/\1/' <<<"$summary")
  # No summary at all (ctest itself failed) is one failure, not none.
  [ -n "$summary" ] || [ "$status" -eq 0 ] || { total=1; bad=1; }
  passed=$((passed + ${total:-0} - ${bad:-0}))
  failed=$((failed + ${bad:-0}))
  return $status
}

result=0
echo "== Test suite =="
run_suite build-test || result=1
echo "== Test suite under AddressSanitizer and UndefinedBehaviorSanitizer =="
# Leaks count as failures; the suppressions name only what the program keeps
# for its whole life on purpose.
ASAN_OPTIONS=detect_leaks=1:fast_unwind_on_malloc=0 LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0" \
  UBSAN_OPTIONS=print_stacktrace=1 run_suite build-asan -DKORVANE_SANITIZE=ON -DKORVANE_BENCH=OFF || result=1
bash scripts/fuzz.sh || result=1
echo "Suite: $passed passed, $failed failed"
exit $result

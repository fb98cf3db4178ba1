#!/usr/bin/env bash
# Builds the upgrader and runs the whole test suite as it ships; then, built
# with AddressSanitizer + UndefinedBehaviorSanitizer, the tests that can hide
# memory and threading faults; then a short fuzzing run of the byte parsers.
# Ends with one line counting every CTest result. What waits overlaps what
# computes: the build starts once its own packages are in, while the test
# tools install; the sanitized build and the Windows build (a test of its
# own) run while the suite waits on its simulated lines, the fuzzers' build
# while the sanitized tests do.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
started=$SECONDS
# Each step says when it ends, counted from the start: where the time goes.
took() { echo "-- $1: done at $((SECONDS - started)) s"; }
bash scripts/packages.sh tests
took "packages for the build"
mkdir -p build-test
rm -f build-test/packages.status
(status=0; bash scripts/packages.sh >build-test/packages.log 2>&1 || status=$?; echo "$status" >build-test/packages.status) &
packages=$!

# The tests read the programs' English texts: whatever the machine's language.
export LANGUAGE=en
# Their records and session logs stay in the build, out of the user's own
# history (tests that look at the history point the programs elsewhere).
export XDG_DATA_HOME=$root/build-test/test-data
jobs=$(nproc)
# Most tests spend their time waiting on a simulated line, not computing. The
# plain suite runs one test more than there are cores, beside the Windows
# chain and the sanitized build (more made the ones that time a gripper's
# answer fail now and then); the sanitized tests, which leave those out and
# have the machine but for the fuzzers, twice as many as cores and one.
test_jobs=$((jobs + 1))
asan_jobs=$((jobs * 2 + 1))
# The cross build inside the Windows build's test takes as many jobs.
export CMAKE_BUILD_PARALLEL_LEVEL=$jobs
# One unity file a target and line tables only (enough for a backtrace):
# the build is most of the command's time.
config=(-G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKORVANE_WERROR=ON -DCMAKE_UNITY_BUILD=ON)
[ -f tests/download/freescale-test.cmake ] && config+=(-C tests/download/freescale-test.cmake)
# A folder made by another generator is made anew.
for dir in build-test build-asan; do
  [ ! -f $dir/CMakeCache.txt ] || grep -q '^CMAKE_GENERATOR:INTERNAL=Ninja$' $dir/CMakeCache.txt \
    || rm -rf $dir/CMakeCache.txt $dir/CMakeFiles
done
# Left out of the sanitizer run: what waits on installed, Windows or Python
# programs (the packages, the Ansible role, Wine, the simulator's peers) and
# the benches' checks; and the runs that mostly wait out a gripper's time-outs
# or power cycles (the entry faults, power lost mid-write, a silent ROM, the
# manual-reboot batches, arrivals, a resized terminal, a unit stopped at each
# phase, the same unit updated by the three programs in turn). Their code of ours is
# the same code the sanitized tests run, and their waits would only come twice.
asan_skip='^(package_|fleet|win_|sim_peer_|bench|flash_links|faults_entry_|faults_powerLossRecovery_'
asan_skip+='|download_cancelWhileTheRomStaysSilent|download_manualRebootBatch_|tst_flash_manualReboot'
asan_skip+='|tst_records|tst_batch_stoppedAtEachPhaseEveryUnitHasItsLine'
asan_skip+='|tst_flash_liveLines|tst_flash_watch)'

passed=0
failed=0
skipped=0
# Adds a CTest output's counts to the totals; no summary at all (ctest itself
# failed) is one failure, not none. CTest counts a skipped test as passed: it
# is counted apart, so that a skip never reads as a pass.
count_results() {
  local output=$1 status=$2 summary total bad skip
  summary=$(grep -E '^[0-9]+% tests passed, [0-9]+ tests failed out of [0-9]+' "$output" | tail -n 1 || true)
  total=$(sed -E 's/.* out of ([0-9]+).*/\1/' <<<"$summary")
  bad=$(sed -E 's/.*passed, ([0-9]+) tests failed.*/\1/' <<<"$summary")
  skip=$(grep -cE '^[[:space:]]*[0-9]+ - .* \(Skipped\)$' "$output" || true)
  [ -n "$summary" ] || [ "$status" -eq 0 ] || { total=1; bad=1; }
  passed=$((passed + ${total:-0} - ${bad:-0} - ${skip:-0}))
  failed=$((failed + ${bad:-0}))
  skipped=$((skipped + ${skip:-0}))
}

# The build targets whose programs the tests of DIR not matching SKIP run,
# read from CTest's files before anything is built: each test's command,
# searched for the names of the build's targets.
targets_for_tests() {
  local dir=$1 skip=$2
  # shellcheck disable=SC2046 # one target name a word
  python3 - "$dir" "$skip" $(cmake --build "$dir" --target help | sed -nE 's/^\.\.\. ([^ ]+).*/\1/p; s/^([^ :]+): .*/\1/p') <<'PY'
import os, re, sys
top, skip, targets = sys.argv[1], re.compile(sys.argv[2]), set(sys.argv[3:])
found = set()
for folder, _, files in os.walk(top):
    if "CTestTestfile.cmake" in files:
        for line in open(os.path.join(folder, "CTestTestfile.cmake")):
            test = re.match(r"add_test\((?:\[=\[)?([^\s\]]+)(?:\]=\])?\s+(.*)\)\s*$", line)
            if test and not skip.search(test.group(1)):
                found |= {os.path.basename(w) for w in re.split(r"[\s\"'\\]+", test.group(2))} & targets
print(" ".join(sorted(found)))
PY
}

result=0
built=1
build_failed() {
  echo "$1: build FAILED" >&2
  failed=$((failed + 1))
  result=1
  built=0
}
# Warnings are errors in every build here: there are none, and none may creep in.
echo "== Building =="
cmake -S . -B build-test "${config[@]}" "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O2 -g1 -DNDEBUG" >/dev/null \
  && cmake --build build-test -j"$jobs" || build_failed build-test
took "plain build"

# The sanitized build goes on, at the lowest priority (a test that times a
# gripper's answer must not wait for a compiler), while the rest installs and
# the plain suite mostly waits.
# Unoptimised: the sanitized tests wait on simulated lines as the others do,
# and the build's time is what counts.
mkdir -p build-asan
(
  cmake -S . -B build-asan "${config[@]}" -DKORVANE_SANITIZE=ON -DKORVANE_BENCH=OFF \
    "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O0 -g1 -DNDEBUG" >build-asan/build.log 2>&1 || exit 1
  asan_targets=$(targets_for_tests build-asan "$asan_skip") || exit 1
  # shellcheck disable=SC2086
  nice -n 19 cmake --build build-asan -j"$jobs" --target $asan_targets >>build-asan/build.log 2>&1 || exit 1
  took "sanitized build (beside the suite)"
) &
background=$!

# The test tools are in before the suite starts; the build is configured
# again, and finds them (Wine, MinGW-w64: the Windows tests).
wait "$packages" || true
if [ "$(cat build-test/packages.status 2>/dev/null)" != 0 ]; then
  tail -n 40 build-test/packages.log
  echo "scripts/packages.sh FAILED: the test tools are not all installed" >&2
  failed=$((failed + 1))
  result=1
fi
took "the other packages"
if [ "$built" -eq 1 ]; then
  cmake build-test >/dev/null && cmake --build build-test -j"$jobs" || build_failed build-test
fi

# The Windows tests are a chain of their own: the cross build, then one Wine
# at a time. They run beside the rest of the suite and may go on into the
# sanitized tests rather than hold them back.
windows_tests='^win_'
windows=
if [ "$built" -eq 1 ]; then
  echo "== Test suite =="
  (cd build-test && ctest -R "$windows_tests" --output-on-failure >ctest-windows.txt 2>&1) &
  windows=$!
  status=0
  (cd build-test && ctest -j"$test_jobs" -E "$windows_tests" --output-on-failure) | tee build-test/ctest-output.txt \
    || status=$?
  count_results build-test/ctest-output.txt "$status"
  [ "$status" -eq 0 ] || result=1
fi
took "test suite but the Windows tests"

build_status=0
wait "$background" || build_status=$?
echo "== Tests that can hide memory and threading faults, under AddressSanitizer and UndefinedBehaviorSanitizer =="
# The fuzzers are built (clang), then take what CPU the sanitized tests
# leave, for as long as ever; a failed fuzzer build shows itself there.
mkdir -p build-fuzz
nice -n 19 bash scripts/fuzz.sh >build-fuzz/run.log 2>&1 &
fuzzing=$!
if [ "$build_status" -eq 1 ]; then
  tail -n 60 build-asan/build.log
  echo "build-asan: build FAILED" >&2
  failed=$((failed + 1))
  result=1
else
  # Leaks count as failures; the suppressions name only what the program
  # keeps for its whole life on purpose.
  # The longest first, as the plain suite measured them, so that the last
  # ones to end are short.
  mkdir -p build-asan/Testing/Temporary
  cp build-test/Testing/Temporary/CTestCostData.txt build-asan/Testing/Temporary/ 2>/dev/null || true
  status=0
  (cd build-asan && ASAN_OPTIONS=detect_leaks=1:fast_unwind_on_malloc=0 \
    LSAN_OPTIONS="suppressions=$root/tests/lsan.supp:print_suppressions=0" UBSAN_OPTIONS=print_stacktrace=1 \
    ctest -j"$asan_jobs" -E "$asan_skip" --output-on-failure) | tee build-asan/ctest-output.txt || status=$?
  count_results build-asan/ctest-output.txt "$status"
  [ "$status" -eq 0 ] || result=1
fi
wait "$fuzzing" || result=1
cat build-fuzz/run.log
took "sanitized tests and fuzzing"
if [ -n "$windows" ]; then
  status=0
  wait "$windows" || status=$?
  echo "== The Windows tests (beside the suite) =="
  cat build-test/ctest-windows.txt
  count_results build-test/ctest-windows.txt "$status"
  [ "$status" -eq 0 ] || result=1
  took "the Windows tests"
fi
echo "Suite: $passed passed, $failed failed, $skipped skipped"
exit $result

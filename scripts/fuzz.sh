#!/usr/bin/env bash
# Builds the byte-parser fuzzers (tests/fuzz, clang + libFuzzer) in build-fuzz
# and runs each one for SECONDS seconds, side by side on the machine's cores.
#
#   scripts/fuzz.sh          short run, 15 s each: part of scripts/test.sh
#   scripts/fuzz.sh 600      long run, ten minutes each
#   scripts/fuzz.sh build    builds them only (scripts/test.sh, beside its tests)
#
# Each fuzzer starts from its committed seeds (tests/fuzz/corpus/<harness>/)
# and keeps what it learns in build-fuzz/corpus/<harness>/, so later runs
# start further on. A crash stops that fuzzer, leaves the input in
# build-fuzz/artifacts/ and fails the script. To keep a crash as a regression
# test, fix it and copy the input into the harness's committed corpus: every
# build replays those files (CTest *_replay).
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-15}
harnesses=(fuzz_versionreply fuzz_freescale fuzz_stblreplies)
jobs=$(nproc)

CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKORVANE_FUZZ=ON >/dev/null
cmake --build build-fuzz --target fuzzers -j"$jobs" >build-fuzz/build.log 2>&1 || {
  cat build-fuzz/build.log
  exit 1
}

[ "$seconds" = build ] && exit 0
mkdir -p build-fuzz/artifacts
run_one() {
  local h=$1
  mkdir -p "build-fuzz/corpus/$h"
  # Reads are small: a version reply is 11 bytes, a bootloader reply at
  # most 258, the Freescale text grows by a few lines at a time.
  if build-fuzz/tests/fuzz/"$h" -max_total_time="$seconds" -max_len=1024 -timeout=10 \
      -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="build-fuzz/artifacts/$h-" \
      "build-fuzz/corpus/$h" "tests/fuzz/corpus/$h" >"build-fuzz/$h.log" 2>&1; then
    echo "$h: $(grep -m1 -o 'stat::number_of_executed_units: *[0-9]*' "build-fuzz/$h.log" | grep -o '[0-9]*$') runs, no failure"
  else
    echo "$h: FAILED (build-fuzz/$h.log)"
    tail -40 "build-fuzz/$h.log"
    return 1
  fi
}

echo "== Fuzzing the byte parsers, ${seconds} s each =="
pids=()
status=0
for h in "${harnesses[@]}"; do
  run_one "$h" &
  pids+=($!)
  # No more fuzzers at once than cores.
  if [ "${#pids[@]}" -ge "$jobs" ]; then
    wait "${pids[0]}" || status=1
    pids=("${pids[@]:1}")
  fi
done
for pid in "${pids[@]}"; do
  wait "$pid" || status=1
done
exit $status

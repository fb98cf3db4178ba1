#!/usr/bin/env bash
# Builds the benchmarks in build-bench/ and runs each with modest settings
# (some 9 minutes on two cores, the build included), then prints one table of
# every number against its target and writes it, with the details, to
# bench/RESULTS.md. Each benchmark's full output stays in
# build-bench/bench-output/. Benchmarks measure time: run it on a quiet
# machine; the load average before and after is part of the result.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/packages.sh

build=build-bench
out=$build/bench-output
results=bench/RESULTS.md
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKORVANE_BENCH=ON >/dev/null
cmake --build "$build" -j"$(nproc)" --target bench_stbl bench_rescan bench_gui_stall bench_update bench_idle bench_flash bench_station
rm -rf "$out"
mkdir -p "$out"
export QT_QPA_PLATFORM=offscreen

load() { cut -d' ' -f1-3 /proc/loadavg; }
busy() { awk -v l="$(cut -d' ' -f1 /proc/loadavg)" 'BEGIN { exit !(l > 1.0) }'; }
# The build itself lifts the load average: give it up to a minute and a half
# to fall back, so that what remains is other work.
for _ in $(seq 18); do busy || break; sleep 5; done
load_before=$(load)
if busy; then
  echo "warning: load average $load_before: other work is running, times will come out longer" >&2
fi
started=$(date +%s)

# Each benchmark in turn, never two at once: they share the two cores.
run() {
  local name=$1; shift
  echo "== $name: $*" >&2
  if ! "$@" >"$out/$name.txt" 2>"$out/$name.err"; then
    echo "$name failed, see $out/$name.err" >&2
    return 1
  fi
}
status=0
run stbl "$build/bench/stbl/bench_stbl" --runs 1 resources/firmware/GC3-1.6.9.bin "$out/stbl.md" || status=1
run rescan "$build/bench/rescan/bench_rescan" --ports 4 --rounds 2 || status=1
run gui-stall "$build/bench/gui-stall/bench_gui_stall" --runs 3 || status=1
run update "$build/bench/update/bench_update" --runs 1 --summary "$out/update.tsv" || status=1
run idle "$build/bench/idle/bench_idle" --seconds 20 --summary "$out/idle.tsv" || status=1
run flash "$build/bench/flash/bench_flash" 8 20 || status=1
run station "$build/bench/station/bench_station" 8 20 || status=1
load_after=$(load)
minutes=$(awk -v s="$(( $(date +%s) - started ))" 'BEGIN { printf "%.1f", s / 60 }')

# Rows of the other benchmarks' markdown tables, cells trimmed, by first cell.
cells() {  # file, first cell prefix -> the row's cells, tab-separated
  awk -F'|' -v key="$2" '{
      for (i = 2; i < NF; i++) { gsub(/^ +| +$/, "", $i) }
      if (index($2, key) == 1) { line = $2; for (i = 3; i < NF; i++) line = line "\t" $i; print line; exit }
    }' "$1"
}
field() { cut -f"$1"; }
yesno() { awk -v a="$1" -v b="$2" 'BEGIN { print (a + 0 <= b + 0) ? "yes" : "no" }'; }

table=$out/table.md
{
  echo "| metric | measured | target | met? |"
  echo "|---|---|---|---|"

  # stbl: Run | Packet | Packets | Median | Best | Wire minimum | Median / minimum
  w=$(cells "$out/stbl.txt" "library, as the wizard calls it: STBL_WRITE")
  v=$(cells "$out/stbl.txt" "library, as the wizard calls it: STBL_VERIFY")
  sw=$(cells "$out/stbl.txt" "library, stbl::Session::write")
  fw=$(cells "$out/stbl.txt" "stm32flash -w")
  fr=$(cells "$out/stbl.txt" "stm32flash -r")
  if [ -n "$w" ] && [ -n "$v" ]; then
    echo "| Write, as the wizard calls the library (STBL_WRITE, $(echo "$w" | field 3) packets of $(echo "$w" | field 2) bytes), paced 115200 8E1 line | $(echo "$w" | field 4) s = $(echo "$w" | field 7) x wire minimum ($(echo "$w" | field 6) s) | <= 1.03 x wire minimum | $(yesno "$(echo "$w" | field 7)" 1.03) |"
    echo "| Read-back, as the wizard calls the library (STBL_VERIFY) | $(echo "$v" | field 4) s = $(echo "$v" | field 7) x wire minimum ($(echo "$v" | field 6) s) | <= 1.03 x wire minimum | $(yesno "$(echo "$v" | field 7)" 1.03) |"
    if [ -n "$fw" ] && [ -n "$fr" ]; then
      echo "| Write: library as the wizard calls it vs stm32flash -w (whole run), same simulated line | $(echo "$w" | field 4) s vs $(echo "$fw" | field 4) s | no slower than stm32flash | $(yesno "$(echo "$w" | field 4)" "$(echo "$fw" | field 4)") |"
      [ -n "$sw" ] && echo "| Write: library with 256-byte packets (stbl::Session) vs stm32flash -w | $(echo "$sw" | field 4) s vs $(echo "$fw" | field 4) s | no slower than stm32flash | $(yesno "$(echo "$sw" | field 4)" "$(echo "$fw" | field 4)") |"
      echo "| Read-back: library (STBL_VERIFY) vs stm32flash -r (whole run) | $(echo "$v" | field 4) s vs $(echo "$fr" | field 4) s | no slower than stm32flash | $(yesno "$(echo "$v" | field 4)" "$(echo "$fr" | field 4)") |"
    else
      echo "| Write and read-back vs stm32flash | stm32flash not installed | no slower than stm32flash | not measured |"
    fi
  else
    echo "| Write and read-back against the wire minimum | bench_stbl FAILED | <= 1.03 x wire minimum | no |"
  fi

  # rescan: ports of this sort | N | median s/port | worst s/port | target s/port | within target
  for sort in "silent port" "GC gripper answering Modbus" "K01 with a GB1 behind it" "gripper in its ROM bootloader"; do
    r=$(cells "$out/rescan.txt" "$sort")
    if [ -z "$r" ]; then
      echo "| Rescan time per port: $sort | bench_rescan FAILED | | no |"
      continue
    fi
    echo "| Rescan time per port: $sort ($(echo "$r" | field 2) ports) | median $(echo "$r" | field 3) s, worst $(echo "$r" | field 4) s | <= $(echo "$r" | field 5) s | $(echo "$r" | field 6) |"
  done

  # gui-stall: its closing line.
  g=$(grep -o 'download page: [0-9.]* ms; over the whole update: [0-9.]* ms' "$out/gui-stall.txt" || true)
  runs=$(grep -c 'whole update, ' "$out/gui-stall.txt" || true)
  failed=$(grep -c 'FAILED' "$out/gui-stall.txt" || true)
  if [ -n "$g" ]; then
    dl=$(echo "$g" | awk '{ print $3 }')
    all=$(echo "$g" | awk '{ print $9 }')
    echo "| Longest GUI stall on the download page, full GC3 update (worst of $runs runs, $failed failed) | $dl ms | <= 30 ms | $(yesno "$dl" 30) |"
    echo "| Longest GUI stall over the whole update, the rescan on the port page included | $all ms | <= 30 ms | $(yesno "$all" 30) |"
  else
    echo "| Longest GUI stall during a full GC3 update | bench_gui_stall FAILED | <= 30 ms | no |"
  fi

  # Our own benchmarks write their rows ready-made.
  for f in "$out/idle.tsv" "$out/update.tsv"; do
    [ -s "$f" ] && awk -F'\t' '{ printf "| %s | %s | %s | %s |\n", $1, $2, $3, $4 }' "$f"
  done
  [ -s "$out/idle.tsv" ] || echo "| Idle CPU of the open wizard | bench_idle FAILED | ~0 | no |"
  [ -s "$out/update.tsv" ] || echo "| Whole GC3 update by phase | bench_update FAILED | - | no |"

  # korvane-flash: its rows are ready-made, under its own table header.
  if [ -s "$out/flash.txt" ]; then
    tail -n +3 "$out/flash.txt"
  else
    echo "| korvane-flash: 8 updates at once, list over silent ports, idle watch | bench_flash FAILED | | no |"
  fi

  # korvane-station: the same, ready-made rows.
  if [ -s "$out/station.txt" ]; then
    tail -n +3 "$out/station.txt"
  else
    echo "| korvane-station: 8 updates at once, GUI stall, idle in automatic mode | bench_station FAILED | | no |"
  fi
} >"$table"

{
  echo "# Benchmark results"
  echo
  echo "\`bash scripts/bench.sh\` on $(date -u '+%Y-%m-%d %H:%M UTC'), commit $(git rev-parse --short HEAD 2>/dev/null || echo '?'),"
  echo "$(nproc) cores; load average $load_before before, $load_after after; benchmarks ran $minutes min."
  echo "Each benchmark's own notes: bench/*/RESULTS.md. Single runs (modest settings), so expect a percent or two of noise."
  echo
  cat "$table"
  echo
  echo "## Whole GC3 update by phase (bench/update)"
  echo
  cat "$out/update.txt" 2>/dev/null || echo "bench_update failed."
  echo
  echo "## Idle wizard (bench/idle)"
  echo
  cat "$out/idle.txt" 2>/dev/null || echo "bench_idle failed."
} >"$results"

cat "$table"
echo
echo "Load average $load_before before, $load_after after. Written to $results; outputs in $out/." >&2
exit $status

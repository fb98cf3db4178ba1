#!/usr/bin/env bash
# Installs what is needed, builds, and starts the wizard. When no USB serial
# adapter is attached, a simulated GC3 gripper running firmware 1.6.8 is
# started beside it, so the whole update can be tried without hardware.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/packages.sh build
# The wizard and the simulator it may start beside it, nothing else: the
# tests and benchmarks have their own commands.
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF >/dev/null
cmake --build build -j"$(nproc)" --target korvane-upgrader korvane-gripper-sim

shopt -s nullglob
adapters=(/dev/ttyUSB* /dev/ttyACM*)
if [ ${#adapters[@]} -gt 0 ] || [ "${KORVANE_NO_SIMULATOR:-}" = 1 ]; then
  exec build/src/korvane-upgrader
fi

demo=$(mktemp -d /tmp/korvane-demo.XXXXXX)
mkfifo "$demo/control"
build/tools/gripper-sim/korvane-gripper-sim -g "GC,type=GC3,version=1.6.8,publish=$demo/gripper" \
  <"$demo/control" >"$demo/simulator.log" 2>&1 &
sim=$!
exec 3>"$demo/control"   # the simulator runs until this closes
trap 'echo quit >&3 2>/dev/null || true; exec 3>&-; wait $sim 2>/dev/null || true; rm -rf "$demo"' EXIT
for _ in $(seq 50); do
  grep -q '^ready' "$demo/simulator.log" && break
  sleep 0.1
done
echo "No gripper attached: a simulated GC3 1.6.8 gripper answers at $demo/gripper"
KORVANE_EXTRA_PORTS="$demo/gripper" build/src/korvane-upgrader

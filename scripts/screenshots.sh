#!/bin/sh
# Renders every wizard page against simulated grippers into docs/screenshots/.
# Usage: scripts/screenshots.sh [BUILD_DIR]   (default: build-screenshots)
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-"$root/build-screenshots"}
cmake -S "$root" -B "$build" >/dev/null
cmake --build "$build" --target korvane_screenshots -- -j"$(nproc)" >/dev/null
QT_QPA_PLATFORM=offscreen "$build/tools/screenshots/korvane_screenshots" "$root/docs/screenshots"

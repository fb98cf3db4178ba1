#!/bin/sh
# Renders every wizard page, the station and a korvane-flash run against
# simulated grippers into docs/screenshots/ (the version check, the station
# and korvane-flash in French and German too), and the first pages of the
# Windows build under Wine where it can.
# Usage: scripts/screenshots.sh [BUILD_DIR]   (default: build-screenshots)
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-"$root/build-screenshots"}
cmake -S "$root" -B "$build" >/dev/null
cmake --build "$build" --target korvane_screenshots -- -j"$(nproc)" >/dev/null
QT_QPA_PLATFORM=offscreen "$build/tools/screenshots/korvane_screenshots" "$root/docs/screenshots"
for lang in fr de; do
  QT_QPA_PLATFORM=offscreen "$build/tools/screenshots/korvane_screenshots" "$root/docs/screenshots" --lang $lang
done
# The wizard under Wine, with the Windows platform plug-in on a virtual
# display: the installer is built and installed by the win_wizard test,
# which grabs the pages into the folder given here.
if cmake --build "$build" --target tst_win -- -j"$(nproc)" >/dev/null 2>&1; then
  (cd "$build" && ctest -R '^win_wizard$' --output-on-failure >/dev/null) || echo "win_wizard failed or was skipped: no Windows screenshots" >&2
  cp "$build"/tests/win/screenshots/windows-*.png "$root/docs/screenshots/" 2>/dev/null || true
fi

#!/usr/bin/env bash
# Builds the Debian packages into build-package/ and prints their paths:
# korvane-flash (no GUI library) and korvane-upgrader (the wizard, which
# depends on it). Install both with:
#   sudo apt install ./build-package/korvane-flash_*.deb ./build-package/korvane-upgrader_*.deb
# or, on a machine without a desktop, only the first.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/packages.sh build
cmake -S . -B build-package -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF >/dev/null
cmake --build build-package -j"$(nproc)"
(cd build-package && cpack -G DEB >/dev/null)
ls "$PWD"/build-package/korvane-flash_*.deb "$PWD"/build-package/korvane-upgrader_*.deb

#!/usr/bin/env bash
# Builds the Debian package of the wizard into build-package/ and prints its
# path. Install it with: sudo apt install ./build-package/korvane-upgrader_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/packages.sh build
cmake -S . -B build-package -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF >/dev/null
cmake --build build-package -j"$(nproc)"
(cd build-package && cpack -G DEB >/dev/null)
ls "$PWD"/build-package/korvane-upgrader_*.deb

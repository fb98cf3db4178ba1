#!/usr/bin/env bash
# Installs the Debian 12 packages the upgrader, its simulator and its tests need.
#   scripts/packages.sh          everything the test command uses
#   scripts/packages.sh build    the wizard and its simulator only (scripts/run.sh)
#   scripts/packages.sh tests    what the test build itself compiles with, so that
#                                scripts/test.sh can build while the rest installs
# Without recommends: they would bring a desktop's worth (GTK, Mesa, GStreamer,
# the Ansible collections) that nothing here uses; what a test needs of a
# recommends is named (pymodbus's serial client imports serial_asyncio). What
# Wine draws the Windows wizard with on the test's X display is named too: X
# extensions it loads when present, and its own fonts. Only the 64-bit
# MinGW-w64 compilers with POSIX threads: the Windows build uses no other.
set -euo pipefail
build=(build-essential cmake ninja-build qtbase5-dev qtbase5-dev-tools libqt5serialport5-dev qttools5-dev-tools
  libudev-dev pkg-config file)
tests=("${build[@]}" python3)
packages=(
  "${tests[@]}" umockdev libumockdev-dev
  qttranslations5-l10n
  stm32flash python3-pymodbus python3-serial python3-serial-asyncio
  clang libclang-rt-14-dev
  g++-mingw-w64-x86-64-posix wine nsis xvfb xauth xfonts-base xdotool
  fonts-wine libxrender1 libxrandr2 libxcursor1 libxi6 libxcomposite1 libxinerama1 libxfixes3
  lintian desktop-file-utils
  ansible-core ansible-lint
  appstream osslsigncode openssl
)
case "${1:-}" in
  build) packages=("${build[@]}") ;;
  tests) packages=("${tests[@]}") ;;
esac
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  as_root=()
  if [ "$(id -u)" -ne 0 ]; then
    if ! command -v sudo >/dev/null; then
      echo "Installing ${missing[*]} needs root: run this command as root." >&2
      exit 1
    fi
    as_root=(sudo)
  fi
  "${as_root[@]}" apt-get update
  # Unpacking, not fetching, is apt's time here: dpkg need not wait for each
  # file to reach the disk (a power loss mid-install means installing again).
  "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends \
    -o Dpkg::Options::=--force-unsafe-io "${missing[@]}"
fi

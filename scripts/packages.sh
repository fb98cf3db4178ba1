#!/usr/bin/env bash
# Installs the Debian 12 packages the upgrader, its simulator and its tests need;
# with "build", only those the wizard and its simulator need (scripts/run.sh).
# Without recommends: they would bring a desktop's worth (GTK, Mesa, GStreamer,
# the Ansible collections) that nothing here uses. What Wine draws the
# Windows wizard with on the test's X display is named instead: X extensions
# it loads when present, and its own fonts.
set -euo pipefail
packages=(
  build-essential cmake
  qtbase5-dev qtbase5-dev-tools libqt5serialport5-dev qttools5-dev-tools qttranslations5-l10n
  stm32flash python3 python3-pymodbus python3-serial python3-serial-asyncio
  clang libclang-rt-14-dev
  mingw-w64 wine nsis xvfb xauth xfonts-base xdotool
  fonts-wine libxrender1 libxrandr2 libxcursor1 libxi6 libxcomposite1 libxinerama1 libxfixes3
  libudev-dev pkg-config file umockdev libumockdev-dev lintian desktop-file-utils
  ansible-core
  ansible-lint
  appstream osslsigncode openssl
)
if [ "${1:-}" = build ]; then
  packages=(build-essential cmake qtbase5-dev qtbase5-dev-tools libqt5serialport5-dev qttools5-dev-tools libudev-dev file)
fi
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
  "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
fi

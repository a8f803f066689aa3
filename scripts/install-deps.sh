#!/usr/bin/env bash
# Installs the Debian packages the build, the game and the tests need, skipping those already present.
# Run as root (or through sudo); it does nothing when everything is installed.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config git
    qt6-base-dev libsdl2-dev libvorbis-dev libpng-dev libjpeg-dev zlib1g-dev
    libfreetype-dev libfontconfig-dev fonts-ipafont-gothic
    libgtest-dev libgmock-dev libbenchmark-dev libpixman-1-dev
    xvfb xauth xdotool x11-utils imagemagick python3 openbox
    qt6-wayland weston appstream
    clang libclang-rt-14-dev clang-format
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

echo "Installing: ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q
$SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"

#!/usr/bin/env bash
# Installs what building, running and testing Nubrel needs on Debian 12.
# Works as root, or through sudo for anyone else.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config git
    qt6-base-dev qt6-serialport-dev qt6-image-formats-plugins libgl1-mesa-dev
    libgtest-dev libgmock-dev googletest libbenchmark-dev
    clang-format clang-14 libclang-rt-14-dev
    xvfb x11-utils xdotool icewm imagemagick xauth xfce4-panel dbus-x11 libsm-dev libice-dev
    fonts-ipafont-gothic qt6-translations-l10n
)

if [ "$(id -u)" -eq 0 ]; then
    as_root=()
elif command -v sudo >/dev/null 2>&1; then
    as_root=(sudo)
else
    echo "install-deps: run as root or install sudo" >&2
    exit 1
fi

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
    echo "install-deps: everything is installed"
    exit 0
fi
echo "install-deps: installing ${missing[*]}"
"${as_root[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"

#!/usr/bin/env bash
# Installs the Debian 12 packages that building, running and testing need.
# Quick and silent when they are all there; uses sudo when not root.
set -euo pipefail

packages=(
    cmake ninja-build g++ pkg-config
    qt6-base-dev qt6-multimedia-dev
    gstreamer1.0-plugins-base gstreamer1.0-plugins-good
    libcurl4-openssl-dev libicu-dev
    python3 openssl ca-certificates
    qt6-translations-l10n fonts-wqy-microhei
    xvfb xauth
)

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$package")
    fi
done
if [ "${#missing[@]}" -eq 0 ]; then
    exit 0
fi

as_root=()
if [ "$(id -u)" -ne 0 ]; then
    as_root=(sudo)
fi
echo "Installing: ${missing[*]}"
"${as_root[@]}" apt-get update -qq
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}"

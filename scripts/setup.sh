#!/usr/bin/env bash
# Installs the Debian packages the project needs. Runs apt-get only when something is missing.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev qt6-tools-dev qt6-tools-dev-tools libqt6uitools6 qt6-l10n-tools
    libhidapi-dev libudev-dev libxkbcommon-dev libxkbcommon-x11-dev libxi-dev libx11-dev
    xkb-data libgl-dev libqt6opengl6-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    umockdev libumockdev-dev python3-dbusmock dbus
    xvfb xdotool imagemagick x11-xkb-utils libxtst-dev
    clang-14 libclang-rt-14-dev
)

# --list prints the packages, one a line (scripts/check-deps.sh compares the build against them).
if [[ ${1:-} == --list ]]; then
    printf '%s\n' "${packages[@]}"
    exit 0
fi

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done

if ((${#missing[@]} == 0)); then
    exit 0
fi

echo "setup: installing ${missing[*]}"
sudo_cmd=()
if [[ $(id -u) -ne 0 ]]; then
    sudo_cmd=(sudo)
fi
"${sudo_cmd[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"

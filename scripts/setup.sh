#!/usr/bin/env bash
# Installs every Debian package the build and the tests need (quietly, and only what is
# missing), then configures and builds everything into build/.
# Usage: scripts/setup.sh [extra cmake --build arguments]
set -euo pipefail

cd "$(dirname "$0")/.."

packages=(
    build-essential cmake ninja-build pkg-config ccache git
    juce-modules-source
    libgtest-dev libgmock-dev libbenchmark-dev
    libflac-dev libvorbis-dev libogg-dev libpng-dev libjpeg-dev zlib1g-dev
    libasound2-dev libfreetype-dev libfontconfig1-dev
    libx11-dev libxext-dev libxrandr-dev libxinerama-dev libxcursor-dev libxcomposite-dev libxrender-dev
    xvfb xauth libxtst-dev
    python3 python3-pil python3-fonttools python3-numpy fonts-inter fonts-bebas-neue
)

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$package")
    fi
done

if ((${#missing[@]} > 0)); then
    echo "Installing: ${missing[*]}"
    sudo_cmd=()
    if [[ $(id -u) -ne 0 ]]; then
        sudo_cmd=(sudo)
    fi
    "${sudo_cmd[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

if [[ ! -f build/CMakeCache.txt ]]; then
    cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
else
    cmake -S . -B build >/dev/null
fi

cmake --build build -j"$(nproc)" "$@"

#!/usr/bin/env bash
# Installs what a fresh Debian 12 machine lacks to build and test both platforms.
set -euo pipefail
packages=(
    cmake ninja-build g++ gcc pkg-config
    libgtest-dev libgmock-dev googletest libbenchmark-dev
    libssl-dev libpng-dev libfreetype-dev fonts-dejavu-core fonts-dejavu-extra
    libsdl2-dev libsndfile1-dev
    clang libclang-rt-14-dev
    g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix
    wine wine64 xvfb xauth mesa-vulkan-drivers
    # The end-to-end test: a window manager, the pointer and keys, window state and screenshots.
    openbox xdotool x11-utils imagemagick
    # Wine's Media Foundation decodes through GStreamer: "base" holds the decodebin, "good" WAV.
    gstreamer1.0-plugins-base gstreamer1.0-plugins-good
    # The Windows product's stage makes its Debian 13 root (scripts/windows-stage.sh).
    debootstrap
)
missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "installing: ${missing[*]}"
    sudo_cmd=()
    [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
    "${sudo_cmd[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

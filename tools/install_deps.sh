#!/usr/bin/env bash
# Installs what building, running and testing Krelan needs on Debian 12.
set -euo pipefail
export DEBIAN_FRONTEND=noninteractive
SUDO=
[ "$(id -u)" = 0 ] || SUDO=sudo
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends \
    build-essential cmake pkg-config \
    libsdl2-dev libsdl2-mixer-dev libsdl2-image-dev libglew-dev libgl-dev libgtest-dev \
    libgl1-mesa-dri libegl-mesa0 libgl1 \
    xvfb xauth xdotool x11-utils imagemagick bc ffmpeg lame sox libebur128-dev > /dev/null

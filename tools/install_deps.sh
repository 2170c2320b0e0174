#!/usr/bin/env bash
# Installs what building, running and testing Krelan needs on Debian 12.
set -euo pipefail
. "$(dirname "$0")/apt_get.sh"
update_package_lists
# Build: the compiler and CMake, and every library the build links:
#   SDL2, SDL2_mixer, SDL2_image  window, audio, PNG cards (the show)
#   GLEW, GL                      OpenGL entry points
#   libpng                        PNG files of the tools and tests
#   X11, XFixes                   the end-to-end tests' window closer and cursor probe
#   GoogleTest                    the tests
#   clang                         the fuzz targets (libFuzzer)
#   clang-format                  the layout check of the C++ files
#   libebur128                    the soundtrack's mix report (see below)
apt_get install -y -qq --no-install-recommends \
    build-essential cmake pkg-config \
    libsdl2-dev libsdl2-mixer-dev libsdl2-image-dev libglew-dev libgl-dev \
    libpng-dev libx11-dev libxfixes-dev libgtest-dev clang clang-format > /dev/null
# Run and test: Mesa's software GL, Xvfb and its helpers, a window manager
# (openbox, so that fullscreen takes the test screen), ffmpeg for videos
# and for measuring audio.
apt_get install -y -qq --no-install-recommends \
    libgl1-mesa-dri libegl-mesa0 libgl1 \
    xvfb xauth xdotool x11-utils imagemagick bc ffmpeg openbox > /dev/null
# Picture against sound through a real sound server: a private PulseAudio
# daemon and its recorder (the end-to-end test), and libpulse's headers for
# the show's reading of the server's latency (libpulse itself is loaded at
# run time).
apt_get install -y -qq --no-install-recommends pulseaudio pulseaudio-utils libpulse-dev > /dev/null
# The soundtrack tools: the mix report measures loudness with libebur128;
# make_assets.sh converts the rate with sox, encodes with lame and draws the
# spectrogram with sox.
apt_get install -y -qq --no-install-recommends libebur128-dev lame sox > /dev/null
# The releases (tools/make_release.sh, tests/release/clean_root.sh): patchelf
# sets the bundle's RUNPATH, lintian checks the package, debootstrap and curl
# make the clean Debian root and check that its mirror answers.
apt_get install -y -qq --no-install-recommends patchelf lintian debootstrap curl > /dev/null

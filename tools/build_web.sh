#!/usr/bin/env bash
# Builds the browser player into build-web/ (or $1): the project's own CMake
# targets (the core, the GL layer, the show's frames and web/) configured for
# WebAssembly with Debian's emscripten (emcmake), then the page, the music and
# the cards beside the code. The CMake build itself lives in $1/.build.
# The build-time generators (the embedder, the scroll text) come from the
# native build folder (KRELAN_HOST_BUILD, default build/), built here if
# needed. The web build assembles the same manifest with the browser's
# prelude and vertex stage (shaders/es/) and validates every text, desktop
# and browser, with glslangValidator before compiling.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
out="$(mkdir -p "${1:-$root/build-web}" && cd "${1:-$root/build-web}" && pwd)"
host="${KRELAN_HOST_BUILD:-$root/build}"

# emcc is a Python program that needs Debian's Python and Node.js modules.
export PATH="/usr/bin:$PATH" NODE_PATH=/usr/share/nodejs

[ -f "$host/CMakeCache.txt" ] || cmake -S "$root" -B "$host" -DCMAKE_BUILD_TYPE=RelWithDebInfo > /dev/null
cmake --build "$host" -j2 --target embed_assets scrolltext > /dev/null

emcmake cmake -S "$root" -B "$out/.build" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_C_FLAGS_RELEASE=-O2 -DCMAKE_CXX_FLAGS_RELEASE=-O2 \
    -DBUILD_TESTING=OFF -DKRELAN_BUILD_TOOLS=OFF \
    -DKRELAN_NATIVE_TOOLS="$host" -DKRELAN_WEB_PLAYER_DIR="$out" > /dev/null
cmake --build "$out/.build" -j2 --target krelan-web

echo "Built the web player in $out:"
(cd "$out" && du -b index.html player.js player.css krelan.js krelan.wasm music.mp3 warning.png end.png)

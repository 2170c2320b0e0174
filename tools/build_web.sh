#!/usr/bin/env bash
# Builds the browser player into build-web/ (or $1): the show's C++ compiled
# to WebAssembly with Debian's emscripten, the page, the music and the cards.
# The program table is assembled by the native embedder from the same
# manifest and pieces, with the browser's prelude and vertex stage
# (shaders/es/) in place of the desktop ones; the native build folder
# (KRELAN_HOST_BUILD, default build/) provides the embedder and the scroll text.
# Every assembled text is validated with glslangValidator before compiling.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
out="$(mkdir -p "${1:-$root/build-web}" && cd "${1:-$root/build-web}" && pwd)"
host="${KRELAN_HOST_BUILD:-$root/build}"

# emcc is a Python program that needs Debian's Python and Node.js modules.
export PATH="/usr/bin:$PATH" NODE_PATH=/usr/share/nodejs

[ -f "$host/CMakeCache.txt" ] || cmake -S "$root" -B "$host" -DCMAKE_BUILD_TYPE=RelWithDebInfo > /dev/null
cmake --build "$host" -j2 --target embed_assets scrolltext > /dev/null

gen="$out/generated"
mkdir -p "$gen"
"$host/scrolltext" "$root/shaders/greetings.txt" "$root/shaders/scroller.glsl" "$gen/scrolltext.glsl"
"$host/embed_assets" programs-c "$gen" "$root/shaders/programs.txt" \
    "$root/shaders/es:$root/shaders:$gen"
# Every program, desktop and browser, through the reference front-end first:
# a text that fails there fails the build with the program's name.
mkdir -p "$gen/desktop"
"$host/embed_assets" programs "$gen/desktop" "$root/shaders/programs.txt" "$root/shaders:$gen"
"$root/tools/check_shaders.sh" "$gen/desktop" "$gen"

sources=(
    host/core/beat_clock.cpp host/core/frame_timeline.cpp host/core/level_meter.cpp
    host/core/level_table.cpp host/core/life_region.cpp host/core/scenes.cpp
    host/gl/gpu.cpp host/gl/quad_es3.cpp host/gl/programs.cpp host/gl/shaders.cpp
    host/show/show.cpp host/show/chain_catch_up.cpp host/show/particle_sprites.cpp
    host/show/sparse_glow.cpp
    web/web_gl.cpp web/web_cards.cpp web/player.cpp)
exports=_krelan_card_pixels,_krelan_open,_krelan_background_builds,_krelan_program_count
exports+=,_krelan_program_name,_krelan_program_drawn,_krelan_program_start,_krelan_program_finished
exports+=,_krelan_program_finish,_krelan_finish_prepare,_krelan_level_heads
exports+=,_krelan_measure_levels,_krelan_level_at,_krelan_beat_at,_krelan_seconds_at
exports+=,_krelan_end_seconds,_krelan_part_count,_krelan_part_title,_krelan_part_start
exports+=,_krelan_frame,_krelan_still,_krelan_seek_begin,_krelan_seek_step,_krelan_print

cd "$root"
emcc -O2 -c "$gen/program_blobs.c" -o "$gen/program_blobs.o"
emcc -std=c++17 -O2 -Wall -Wextra \
    -Ihost/core -Ihost/gl -Ihost/show -Iweb \
    "${sources[@]}" "$gen/program_texts.cpp" "$gen/program_blobs.o" \
    -sENVIRONMENT=web -sMIN_WEBGL_VERSION=2 -sMAX_WEBGL_VERSION=2 \
    -sINITIAL_MEMORY=64MB -sALLOW_MEMORY_GROWTH=1 \
    -sEXPORTED_FUNCTIONS="$exports" -sEXPORTED_RUNTIME_METHODS=HEAPU8,HEAP16,UTF8ToString \
    -o "$out/krelan.js"

cp web/index.html web/player.js web/player.css "$out/"
cp assets/music.mp3 assets/warning.png assets/end.png "$out/"
echo "Built the web player in $out:"
(cd "$out" && du -b index.html player.js player.css krelan.js krelan.wasm music.mp3 warning.png end.png)

#!/usr/bin/env bash
# Builds the libraries the Windows executables link, for 64-bit Windows with
# Debian's mingw-w64, from Debian's own source packages at the versions the
# Linux build runs with (those of the installed runtime packages):
#   zlib, libpng           PNG files (the cards, the renderer's output)
#   mpg123                 MP3 decoding for SDL_mixer, the decoder the Linux
#                          build's SDL_mixer uses, so both decode the same samples
#   SDL2, SDL2_mixer,      window, context, events, audio and PNG decoding
#   SDL2_image
#   GLEW                   the OpenGL entry points
# Every one is a static library; the show links them all in.
#
# They go into a prefix outside the clone, kept between runs:
#   ${KRELAN_CACHE_DIR:-/var/cache/krelan}/windows-deps-<key>
# where the key hashes the source versions, the versions of the compiler and
# the mingw-w64 runtime, and the commands of this script and the toolchain
# file (their comments left out). A complete prefix is used as it is;
# anything else is rebuilt from scratch. The prefix holds VERSIONS.txt (what
# was built and how long it took) and the libraries' licences. The last line
# on stdout is the prefix.
#
# Needs: tools/install_windows_deps.sh (the toolchain and a deb-src entry).
# Exit status 75 when the sources cannot be downloaded, 1 on other failures.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
script="$root/tools/build_windows_deps.sh"
toolchain="$root/cmake/mingw-w64-x86_64.cmake"
host=x86_64-w64-mingw32
cache="${KRELAN_CACHE_DIR:-/var/cache/krelan}"
jobs="${KRELAN_JOBS:-2}"

# Source package and the runtime package whose version it must match.
sources=(zlib:zlib1g libpng1.6:libpng16-16 mpg123:libmpg123-0 libsdl2:libsdl2-2.0-0
         libsdl2-mixer:libsdl2-mixer-2.0-0 libsdl2-image:libsdl2-image-2.0-0 glew:libglew2.2)

fail() { echo "build_windows_deps: $*" >&2; exit 1; }
# The sources cannot be had (no deb-src entry, a mirror without them): a
# status of its own, so that CI can tell this from a failed build.
k_no_sources=75
version_file() { echo "${1#*:}"; }  # a version as file names write it: no epoch

command -v "$host-gcc-posix" > /dev/null || fail "no $host-gcc-posix: run tools/install_windows_deps.sh"
command -v dpkg-source > /dev/null || fail "no dpkg-source: run tools/install_windows_deps.sh"

# The source version behind each installed runtime package.
versions=()
for entry in "${sources[@]}"; do
    source="${entry%%:*}" binary="${entry#*:}"
    version="$(dpkg-query -W -f '${source:Version}' "$binary" 2> /dev/null)" ||
        fail "$binary is not installed (run tools/install_deps.sh): its version is the one to build"
    versions+=("$source=$version")
done

# The compiler and the mingw-w64 runtime (winpthread) that is linked in too.
toolchain_versions=()
for package in gcc-mingw-w64-x86-64-posix mingw-w64-x86-64-dev; do
    toolchain_versions+=("$package=$(dpkg-query -W -f '${Version}' "$package")")
done

key="$( (printf '%s\n' "${versions[@]}" "${toolchain_versions[@]}"
         grep -hv '^\s*#' "$script" "$toolchain") | sha256sum | cut -c1-12)"
prefix="$cache/windows-deps-$key"
mkdir -p "$cache"
exec 9> "$cache/windows-deps.lock"
flock 9  # one builder at a time; a second one waits and then finds the prefix
if [ -f "$prefix/VERSIONS.txt" ]; then
    echo "$prefix"
    exit 0
fi

# What an interrupted build left behind (a prefix without VERSIONS.txt, a
# work folder) goes; no other builder runs now.
for stale in "$cache"/windows-deps-*; do
    [ -d "$stale" ] && [ ! -f "$stale/VERSIONS.txt" ] && rm -rf "$stale"
done
echo "Building the Windows libraries into $prefix (about 5 minutes on two cores)" >&2
started=$(date +%s)
work="$(mktemp -d "$cache/windows-deps-work.XXXXXX")"
trap 'rm -rf "$work"' EXIT
trap 'exit 1' INT TERM
downloads="$cache/windows-src"
mkdir -p "$downloads" "$work/src"

# apt-get source checks each file it downloads against the signed index. Some
# mirrors lack an upstream signature (.asc) that a .dsc lists: that file alone
# may be missing; every other one is checked again against the .dsc's SHA-256
# sums before dpkg-source unpacks it with Debian's patches applied.
# When the mirror no longer has the Linux build's version, the newest one it
# has is built instead and VERSIONS.txt says so.
fetch() {  # fetch SOURCE VERSION: true when the source is complete and intact
    local dsc="${1}_$(version_file "$2").dsc"
    (cd "$downloads" && apt-get source --download-only -qq "$1=$2" > /dev/null 2>&1) || true
    [ -f "$downloads/$dsc" ] || return 1
    (cd "$downloads" &&
     sed -n '/^Checksums-Sha256:/,/^[^ ]/{/^ /p}' "$dsc" | awk '$3 !~ /\.asc$/ {print $1 "  " $3}' |
         sha256sum --check --quiet --strict > /dev/null 2>&1)
}
built=()
for entry in "${versions[@]}"; do
    source="${entry%%=*}" version="${entry#*=}"
    if ! fetch "$source" "$version"; then
        wanted="$version"
        version=
        for other in $(apt-cache showsrc --only-source "$source" | awk '/^Version:/ {print $2}' |
                       sort -u -V -r); do
            if fetch "$source" "$other"; then version="$other"; break; fi
        done
        if [ -z "$version" ]; then
            echo "build_windows_deps: cannot download the source of $source (no deb-src entry? run" \
                 "tools/install_windows_deps.sh)" >&2
            exit $k_no_sources
        fi
        echo "build_windows_deps: the mirror lacks $source $wanted (the Linux build's); building $version" >&2
        version="$version (Linux: $wanted)"
    fi
    built+=("$source=$version")
    dsc="$downloads/${source}_$(version_file "${version%% *}").dsc"
    dpkg-source --no-check -x "$dsc" "$work/src/$source" > /dev/null 2>&1 || fail "cannot unpack $dsc"
done

# Runs a build step with its output in a log; on failure shows the log's end.
step() {  # step NAME COMMAND...
    local name="$1"
    shift
    echo "  $name" >&2
    "$@" > "$work/$name.log" 2>&1 || { tail -40 "$work/$name.log" >&2; fail "$name failed"; }
}

cross_cmake() {  # cross_cmake SOURCE_DIR [OPTIONS...]
    local build="$1.build"
    cmake -S "$1" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
          -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_INSTALL_PREFIX="$prefix" -DBUILD_SHARED_LIBS=OFF \
          "${@:2}" &&
        cmake --build "$build" -j"$jobs" --target install
}

cross_configure() {  # cross_configure SOURCE_DIR [OPTIONS...]: autotools
    (cd "$1" && ./configure --host="$host" --prefix="$prefix" --disable-shared --enable-static \
         CC="$host-gcc-posix" CPPFLAGS="-I$prefix/include" LDFLAGS="-L$prefix/lib" "${@:2}" &&
         make -j"$jobs" && make install)
}

src="$work/src"
export PKG_CONFIG_LIBDIR="$prefix/lib/pkgconfig" PKG_CONFIG_PATH=

step zlib sh -c "cd '$src/zlib' && CHOST=$host CC=$host-gcc-posix AR=$host-ar RANLIB=$host-ranlib \
    ./configure --static --prefix='$prefix' && make -j$jobs install"
step libpng cross_configure "$src/libpng1.6"
step mpg123 cross_configure "$src/mpg123" --enable-modules=no --with-audio=dummy \
    --with-default-audio=dummy --enable-network=no
step SDL2 cross_cmake "$src/libsdl2" -DSDL_SHARED=OFF -DSDL_STATIC=ON -DSDL_TEST=OFF
# MP3 through mpg123 alone, as in Debian's build; no other music format.
step SDL2_mixer cross_cmake "$src/libsdl2-mixer" -DSDL2MIXER_SAMPLES=OFF \
    -DSDL2MIXER_VENDORED=OFF -DSDL2MIXER_DEPS_SHARED=OFF -DSDL2MIXER_CMD=OFF \
    -DSDL2MIXER_WAVE=ON -DSDL2MIXER_MP3=ON -DSDL2MIXER_MP3_MPG123=ON -DSDL2MIXER_MP3_DRMP3=OFF \
    -DSDL2MIXER_FLAC=OFF -DSDL2MIXER_MOD=OFF -DSDL2MIXER_MIDI=OFF -DSDL2MIXER_OPUS=OFF \
    -DSDL2MIXER_VORBIS=OFF
# PNG through libpng, as in Debian's build.
step SDL2_image cross_cmake "$src/libsdl2-image" -DSDL2IMAGE_SAMPLES=OFF \
    -DSDL2IMAGE_VENDORED=OFF -DSDL2IMAGE_DEPS_SHARED=OFF -DSDL2IMAGE_BACKEND_STB=OFF \
    -DSDL2IMAGE_BACKEND_WIC=OFF -DSDL2IMAGE_PNG=ON -DSDL2IMAGE_JPG=OFF -DSDL2IMAGE_TIF=OFF \
    -DSDL2IMAGE_WEBP=OFF -DSDL2IMAGE_AVIF=OFF -DSDL2IMAGE_JXL=OFF
step GLEW cross_cmake "$src/glew/build/cmake" -DBUILD_UTILS=OFF

# The licences that come with the executables: each library's own, and the
# mingw-w64 runtime's (winpthread) and GCC's, which are linked in too.
mkdir -p "$prefix/licenses"
cp "$src/zlib/LICENSE" "$prefix/licenses/zlib.txt"
cp "$src/libpng1.6/LICENSE" "$prefix/licenses/libpng.txt"
cp "$src/mpg123/COPYING" "$prefix/licenses/mpg123.txt"
cp "$src/libsdl2/LICENSE.txt" "$prefix/licenses/SDL2.txt"
cp "$src/libsdl2-mixer/LICENSE.txt" "$prefix/licenses/SDL2_mixer.txt"
cp "$src/libsdl2-image/LICENSE.txt" "$prefix/licenses/SDL2_image.txt"
cp "$src/glew/LICENSE.txt" "$prefix/licenses/GLEW.txt"
cp /usr/share/doc/mingw-w64-common/copyright "$prefix/licenses/mingw-w64-runtime.txt"
cp /usr/share/doc/gcc-mingw-w64-x86-64-posix-runtime/copyright "$prefix/licenses/gcc-runtime.txt"

{
    echo "# Built by tools/build_windows_deps.sh in $(($(date +%s) - started)) s, static libraries"
    printf '%s\n' "${built[@]}" "${toolchain_versions[@]}"
} > "$prefix/VERSIONS.txt"
echo "$prefix"

#!/usr/bin/env bash
# Cross-builds the show (krelan-demo.exe) and the offline renderer
# (krelan-render.exe) for 64-bit Windows with Debian's mingw-w64 and packs
# them into dist/krelan-VERSION-windows-x86_64.zip:
#
#   tools/install_windows_deps.sh && tools/build_windows.sh [BUILD_DIR]
#
# BUILD_DIR (default build-windows/) holds two builds of the same CMake
# project: host/, native, for the generators that run during the build (the
# asset embedder, the scroll text), and win/, the cross build that runs them
# from there (KRELAN_NATIVE_TOOLS, as the web build does). The libraries come from tools/build_windows_deps.sh (a prefix cached
# outside the clone). The executables link everything statically, the C and
# C++ runtimes included: the zip needs nothing installed.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
out="$(mkdir -p "${1:-$root/build-windows}" && cd "${1:-$root/build-windows}" && pwd)"
host=x86_64-w64-mingw32
jobs="${KRELAN_JOBS:-2}"
launcher=()
if command -v ccache > /dev/null; then
    launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi

run() {  # run LOG COMMAND...: the command's output in LOG, shown on failure
    local log="$1"
    shift
    "$@" > "$log" 2>&1 || { tail -40 "$log" >&2; echo "build_windows: failed: $*" >&2; exit 1; }
}

prefix="$("$root/tools/build_windows_deps.sh" | tail -1)" || exit  # 75: no sources to build
echo "Windows libraries: $prefix"

echo "Native generators in $out/host"
run "$out/host.log" cmake -S "$root" -B "$out/host" -DCMAKE_BUILD_TYPE=Release \
    -DKRELAN_BUILD_TOOLS=OFF -DBUILD_TESTING=OFF "${launcher[@]}"
run "$out/host-build.log" cmake --build "$out/host" -j"$jobs" --target embed_assets scrolltext

echo "Cross build in $out/win"
# Library paths found in another prefix would stay in CMake's cache: a build
# folder not configured against this one starts afresh.
[ "$(cat "$out/win.prefix" 2> /dev/null)" = "$prefix" ] || rm -rf "$out/win"
# mpg123 reaches into shlwapi when linked statically.
run "$out/win.log" cmake -S "$root" -B "$out/win" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" -DCMAKE_PREFIX_PATH="$prefix" \
    -DKRELAN_NATIVE_TOOLS="$out/host" \
    -DKRELAN_BUILD_TOOLS=OFF -DBUILD_TESTING=OFF \
    -DGLEW_USE_STATIC_LIBS=ON -DMPG123_LINK_LIBRARIES=shlwapi "${launcher[@]}"
echo "$prefix" > "$out/win.prefix"
run "$out/win-build.log" cmake --build "$out/win" -j"$jobs" --target krelan-demo krelan-render
executables=("$out/win/krelan-demo.exe" "$out/win/tools/renderer/krelan-render.exe")

# Nothing but Windows' own DLLs may be imported: no runtime, no library of ours.
for exe in "${executables[@]}"; do
    imports="$("$host-objdump" -p "$exe" | sed -n 's/^\s*DLL Name: //p' | sort -u)"
    echo "$(basename "$exe") imports:" $imports
    if grep -Eiv '^(kernel32|user32|gdi32|advapi32|shell32|ole32|oleaut32|imm32|winmm|version|setupapi|shlwapi|opengl32|msvcrt)\.dll$' <<< "$imports"; then
        echo "build_windows: $exe needs the DLLs above, which Windows does not have" >&2
        exit 1
    fi
done

version="$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$out/win/CMakeCache.txt")"
name="krelan-$version-windows-x86_64"
stage="$out/zip/$name"
rm -rf "$out/zip"
mkdir -p "$stage/licenses"
for exe in "${executables[@]}"; do "$host-strip" -o "$stage/$(basename "$exe")" "$exe"; done
cp "$prefix"/licenses/* "$stage/licenses/"
# README.txt with the version and the libraries filled in, in CR LF lines.
grep -v '^#' "$prefix/VERSIONS.txt" | sed 's/^\([^=]*\)=/  \1 /' > "$out/libraries.txt"
sed -e "s/@VERSION@/$version/" -e "/@LIBRARIES@/{r $out/libraries.txt" -e 'd}' \
    "$root/tools/windows/README.txt" | sed 's/$/\r/' > "$stage/README.txt"

mkdir -p "$root/dist"
rm -f "$root/dist/$name.zip"
(cd "$out/zip" && zip -q -r -X "$root/dist/$name.zip" "$name")
echo "Wrote dist/$name.zip ($(stat -c %s "$root/dist/$name.zip") bytes)"

#!/usr/bin/env bash
# Installs what the Windows build (tools/build_windows.sh) and its test under
# Wine (tests/windows/wine.sh) need on Debian 12, on top of
# tools/install_deps.sh:
#   g++/gcc-mingw-w64-x86-64-posix   the cross compilers (posix threads)
#   binutils-mingw-w64-x86-64        their assembler, linker, strip, objdump
#   dpkg-dev                         dpkg-source, which unpacks Debian's sources
#   zip                              the zip
#   wine, wine64                     running the executables in the test
#   pulseaudio, pulseaudio-utils     a private sound server for Wine's audio
# and a deb-src entry for every deb entry of the system's sources (the same
# mirrors and suites), in /etc/apt/sources.list.d/krelan-src.sources, so that
# apt-get source finds the libraries' sources.
set -euo pipefail
. "$(dirname "$0")/apt_get.sh"

src_list=/etc/apt/sources.list.d/krelan-src.sources
if [ ! -f "$src_list" ]; then
    entries=""
    # deb822 files: each stanza of Types: deb again as Types: deb-src.
    for file in /etc/apt/sources.list.d/*.sources; do
        [ -f "$file" ] || continue
        entries+="$(awk 'BEGIN { RS = ""; ORS = "\n\n" }
                         /(^|\n)Types:[^\n]*deb( |\n|$)/ && !/deb-src/ {
                             gsub(/(^|\n)#[^\n]*/, ""); sub(/^\n/, "")
                             sub(/Types:[^\n]*/, "Types: deb-src"); print }' "$file")"$'\n\n'
    done
    # One-line lists: each "deb" line again as "deb-src", in the same format.
    for file in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
        [ -f "$file" ] || continue
        while read -r line; do
            options="" rest="${line#deb}"
            if [[ $line =~ ^deb[[:space:]]+\[([^]]*)\](.*)$ ]]; then
                options="${BASH_REMATCH[1]}" rest="${BASH_REMATCH[2]}"
            fi
            read -r -a words <<< "$rest"
            entries+="Types: deb-src"$'\n'"URIs: ${words[0]}"$'\n'"Suites: ${words[1]}"$'\n'
            entries+="Components: ${words[*]:2}"$'\n'
            if [[ $options =~ signed-by=([^[:space:]]+) ]]; then
                entries+="Signed-By: ${BASH_REMATCH[1]}"$'\n'
            fi
            entries+=$'\n'
        done < <(grep -E '^deb\s' "$file" || true)
    done
    [ -n "${entries//[$'\n']/}" ] || { echo "install_windows_deps: no deb entry to mirror" >&2; exit 1; }
    printf '%s' "$entries" | $apt_sudo tee "$src_list" > /dev/null
fi

update_package_lists
apt_get install -y -qq --no-install-recommends \
    g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 \
    dpkg-dev zip wine wine64 pulseaudio pulseaudio-utils > /dev/null

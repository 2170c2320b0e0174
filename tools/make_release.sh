#!/usr/bin/env bash
# Builds Krelan in Release and writes its two Linux releases into dist/:
#
#   krelan-VERSION-linux-x86_64.tar.gz  a self-contained bundle: krelan-demo,
#       krelan-render, README.txt, and in lib/ every shared library they need
#       that a desktop does not already have (tools/release/system_libraries.txt
#       lists what stays the machine's), the executables' RUNPATH $ORIGIN/lib
#   krelan_VERSION_amd64.deb            the Debian package (cpack, from the
#       project's install rules; dependencies by dpkg-shlibdeps)
#
# VERSION is the project's CMake version, as `krelan-demo --version` prints it.
# Usage: tools/make_release.sh [BUILD_DIR]   (default: build-release)
# Needs cmake, a C++17 compiler, the build's -dev packages, patchelf, binutils
# (objdump) and dpkg-dev (dpkg-shlibdeps); tools/install_deps.sh installs them.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-release}
dist=$root/dist

for tool in cmake cpack patchelf objdump dpkg-shlibdeps; do
    command -v "$tool" > /dev/null || { echo "make_release: $tool is missing" >&2; exit 1; }
done

launchers=()
if command -v ccache > /dev/null; then
    launchers=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
# Debian's hardening: checked buffer functions, a stack protector, and the
# relocations made read-only once resolved at start.
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF \
    -DKRELAN_BUILD_TOOLS=OFF "${launchers[@]}" \
    -DCMAKE_C_FLAGS="-D_FORTIFY_SOURCE=2 -fstack-protector-strong" \
    -DCMAKE_CXX_FLAGS="-D_FORTIFY_SOURCE=2 -fstack-protector-strong" \
    -DCMAKE_EXE_LINKER_FLAGS="-Wl,-z,relro -Wl,-z,now" > /dev/null
cmake --build "$build" -j2 --target krelan-demo krelan-render krelan_package_files

version=$("$build/krelan-demo" --version | awk '{print $2}')
[ -n "$version" ] || { echo "make_release: krelan-demo printed no version" >&2; exit 1; }
name=krelan-$version-linux-x86_64
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
bundle=$stage/$name
mkdir -p "$bundle/lib/licenses" "$dist"
chmod 755 "$bundle" "$bundle/lib" "$bundle/lib/licenses"

# The executables as the install rules put them, stripped.
cmake --install "$build" --prefix "$stage/usr" --strip > /dev/null
cp "$stage/usr/bin/krelan-demo" "$stage/usr/bin/krelan-render" "$bundle/"

# --- The libraries ----------------------------------------------------------
source "$root/tools/release/system_libraries.bash"
needed() { objdump -p "$1" | awk '$1 == "NEEDED" {print $2}'; }

# Where this machine finds each library the executables load, directly or not.
declare -A found
while read -r soname arrow path _; do
    [ "$arrow" = "=>" ] && [ -f "$path" ] && found[$soname]=$path
done < <(ldd "$bundle/krelan-demo" "$bundle/krelan-render")

# Walks the NEEDED entries from the executables down: a library on the system
# list stays the system's (and what it needs is its own affair); any other is
# copied into lib/ and walked in turn.
declare -A bundled system_used
queue=("$bundle/krelan-demo" "$bundle/krelan-render")
while [ ${#queue[@]} -gt 0 ]; do
    file=${queue[0]}
    queue=("${queue[@]:1}")
    for soname in $(needed "$file"); do
        if is_system "$soname"; then
            system_used[$soname]=1
            continue
        fi
        [ -n "${bundled[$soname]:-}" ] && continue
        source=${found[$soname]:-}
        [ -n "$source" ] || { echo "make_release: $file needs $soname, not found here" >&2; exit 1; }
        cp -L "$source" "$bundle/lib/$soname"
        chmod 644 "$bundle/lib/$soname"
        bundled[$soname]=$source
        queue+=("$bundle/lib/$soname")
    done
done

# Each library finds the others beside it; the executables look in lib/.
patchelf --set-rpath '$ORIGIN/lib' "$bundle/krelan-demo" "$bundle/krelan-render"
for soname in "${!bundled[@]}"; do patchelf --set-rpath '$ORIGIN' "$bundle/lib/$soname"; done

# The Debian package each library came from, its version and its copyright
# file (the libraries' licences ask that it travel with them).
package_of() {
    local real
    real=$(realpath "$1")
    dpkg -S "$real" 2>/dev/null || dpkg -S "${real#/usr}" 2>/dev/null || dpkg -S "/usr$real"
}
: > "$stage/libraries"
for soname in $(printf '%s\n' "${!bundled[@]}" | sort); do
    package=$(package_of "${bundled[$soname]}" | head -n 1 | cut -d: -f1)
    package_version=$(dpkg-query -W -f='${Version}' "$package")
    cp "/usr/share/doc/$package/copyright" "$bundle/lib/licenses/$package"
    chmod 644 "$bundle/lib/licenses/$package"
    printf '  %-28s %s %s\n' "$soname" "$package" "$package_version" >> "$stage/libraries"
done

# The oldest C and C++ runtimes the bundle runs on: the newest symbol
# versions any of its files asks for.
newest_version() {
    objdump -T "$bundle"/krelan-* "$bundle"/lib/*.so* | grep -o "$1"'_[0-9.]*' | sort -uV | tail -n 1 \
        | sed "s/^$1_//"
}
glibc=$(newest_version GLIBC)
glibcxx=$(newest_version GLIBCXX)
printf '%s\n' "${!system_used[@]}" | sort | tr '\n' ' ' | fold -s -w 72 | sed -e 's/^/  /' -e 's/ *$//' \
    > "$stage/system_libraries"
echo >> "$stage/system_libraries"

# README.txt: the versions filled in, each list at its marker line.
sed -e "s|@VERSION@|$version|g" -e "s|@GLIBC@|$glibc|g" -e "s|@GLIBCXX@|$glibcxx|g" \
    "$root/tools/release/README.txt.in" \
    | awk -v libs="$stage/libraries" -v syslibs="$stage/system_libraries" '
        /^@LIBRARIES@$/ { while ((getline line < libs) > 0) print line; next }
        /^@SYSTEM_LIBRARIES@$/ { while ((getline line < syslibs) > 0) print line; next }
        { print }' > "$bundle/README.txt"
chmod 644 "$bundle/README.txt"

# The same files always give the same archive: names sorted, owner root,
# times those of the last commit.
mtime=$(git -C "$root" log -1 --format=%ct 2> /dev/null || date +%s)
tar --sort=name --owner=0 --group=0 --numeric-owner --mtime="@$mtime" -C "$stage" -cf - "$name" \
    | gzip -9n > "$dist/$name.tar.gz"

# --- The Debian package -----------------------------------------------------
(cd "$build" && SOURCE_DATE_EPOCH=$mtime cpack -G DEB -B "$stage/cpack" > /dev/null)
deb=krelan_${version}_amd64.deb
mv "$stage/cpack/$deb" "$dist/$deb"

echo "bundled libraries:"
cat "$stage/libraries"
echo "from the system: $(printf '%s ' "${!system_used[@]}")"
echo "needs glibc $glibc and libstdc++ (GLIBCXX) $glibcxx or newer"
ls -l "$dist/$name.tar.gz" "$dist/$deb"

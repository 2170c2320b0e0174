#!/usr/bin/env bash
# The Linux releases on a clean machine: a minimal Debian 12 root
# (debootstrap --variant=minbase) with only what a desktop has and what the
# checks need, and in it, each in a fresh copy of that root (a chroot with
# /proc, /sys and /dev bound):
#
#   the bundle, unpacked on a read-only mount: ldd of both executables finds
#     every library the executables and lib/ need in lib/ or on the system
#     list (tools/release/system_libraries.txt), nothing missing;
#     --version; `krelan-render frame --beat 100` (offscreen) equals the
#     build tree's frame; the show under Xvfb (dummy audio, --no-wait --from
#     100) for 5 s once it runs, then Escape, status 0;
#   the Debian package: `apt-get install ./krelan_VERSION_amd64.deb` installs
#     it with its dependencies, the same checks pass, and `apt-get remove
#     krelan` leaves nothing of it.
#
# Usage: tests/release/clean_root.sh DIST_DIR KRELAN_RENDER
#   DIST_DIR       where tools/make_release.sh wrote the bundle and the package
#   KRELAN_RENDER  the build tree's renderer, whose frame the releases must equal
#
# The roots are cached in KRELAN_ROOT_CACHE (default /var/cache/krelan), outside
# the clone: bookworm-minbase (debootstrap's root) and bookworm-desktop (that
# root with the packages below), each rebuilt when missing; downloaded
# packages are kept in apt-archives. The mirror is the one apt already uses
# (/etc/apt/sources.list.d/). When it cannot be reached the stage says so and
# is skipped (status 0). Needs root, debootstrap and curl.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
cache=${KRELAN_ROOT_CACHE:-/var/cache/krelan}
base=$cache/bookworm-minbase
desktop=$cache/bookworm-desktop
archives=$cache/apt-archives

# What a desktop has, and nothing more, for a program that links these:
#   libgl1 libglx-mesa0 libegl1 libegl-mesa0 libgl1-mesa-dri libgbm1 libdrm2
#       the GL dispatch libraries and Mesa's drivers (here its software
#       rasteriser, llvmpipe: the root has no GPU)
#   libx11-6 libx11-xcb1 libxext6 libxcursor1 libxi6 libxfixes3 libxrandr2
#   libxrender1 libxss1 libxkbcommon0
#       the X11 client libraries SDL links
#   libwayland-client0 libwayland-cursor0 libwayland-egl1
#       the Wayland client libraries SDL links
#   libasound2 libpulse0
#       the sound libraries SDL links (libpulse0 brings libdbus-1-3)
desktop_packages=(libgl1 libglx-mesa0 libegl1 libegl-mesa0 libgl1-mesa-dri libgbm1 libdrm2
    libx11-6 libx11-xcb1 libxext6 libxcursor1 libxi6 libxfixes3 libxrandr2 libxrender1 libxss1
    libxkbcommon0 libwayland-client0 libwayland-cursor0 libwayland-egl1 libasound2 libpulse0)
# What the checks need besides:
#   xvfb xauth  a display for the show (xvfb-run needs xauth)
#   xdotool     finds the show's window and sends it Escape
test_packages=(xvfb xauth xdotool)

dist=${1:?usage: clean_root.sh DIST_DIR KRELAN_RENDER}
reference_render=${2:?usage: clean_root.sh DIST_DIR KRELAN_RENDER}
[ "$(id -u)" = 0 ] || { echo "clean_root: needs root (debootstrap, chroot, mounts)" >&2; exit 1; }
for tool in debootstrap curl objdump; do
    command -v "$tool" > /dev/null || { echo "clean_root: $tool is missing" >&2; exit 1; }
done
bundle_archive=$(ls "$dist"/krelan-*-linux-x86_64.tar.gz)
name=$(basename "$bundle_archive" .tar.gz)
version=${name#krelan-}
version=${version%-linux-x86_64}
deb=$dist/krelan_${version}_amd64.deb
[ -f "$deb" ] || { echo "clean_root: no $deb beside $bundle_archive" >&2; exit 1; }

fail() { echo "FAIL: $*" >&2; exit 1; }
pass() { echo "PASS: $*"; }
stage_start=$(date +%s)
elapsed() { echo "$(($(date +%s) - stage_start)) s"; }

# --- The mirror apt uses ----------------------------------------------------
# The first "deb" entry for the suite $1, from the deb822 files and then the
# one-line lists.
mirror_for() {
    local suite=$1 file uri
    for file in /etc/apt/sources.list.d/*.sources; do
        [ -f "$file" ] || continue
        uri=$(awk -v suite="$suite" 'BEGIN { RS = ""; FS = "\n" }
            { types = uris = suites = ""
              for (i = 1; i <= NF; i++) {
                  if ($i ~ /^Types:/) types = " " $i " "
                  if ($i ~ /^URIs:/) uris = $i
                  if ($i ~ /^Suites:/) suites = " " $i " " }
              if (types ~ / deb / && suites ~ " " suite " ") { split(uris, u, /[ \t]+/); print u[2]; exit } }' "$file")
        [ -n "$uri" ] && { echo "${uri%/}"; return; }
    done
    cat /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2> /dev/null \
        | sed 's/\[[^]]*\]//' | awk -v suite="$suite" '$1 == "deb" && $3 == suite { print $2; exit }' \
        | sed 's|/$||'
}
mirror=$(mirror_for bookworm)
security=$(mirror_for bookworm-security)
[ -n "$mirror" ] || fail "no Debian 12 (bookworm) mirror in /etc/apt/sources.list.d/"
if ! curl -fsS --max-time 30 -o /dev/null "$mirror/dists/bookworm/Release"; then
    echo "SKIPPED: the clean-machine stage needs the mirror $mirror, which cannot be reached" \
         "from here; the bundle and the package were NOT tested on a clean root." >&2
    exit 0
fi

# --- Mounts and scratch -----------------------------------------------------
mkdir -p "$cache" "$archives/partial"
work=$(mktemp -d "$cache/work.XXXXXX")
mounts=()
unmount_all() {
    local i
    for ((i = ${#mounts[@]} - 1; i >= 0; i--)); do
        umount "${mounts[i]}" 2> /dev/null || umount -l "${mounts[i]}" \
            || echo "clean_root: cannot unmount ${mounts[i]}" >&2
    done
    mounts=()
}
# Removes a root copy, never across a mount still in it.
remove_tree() {
    if grep -q " $1[/ ]" /proc/self/mountinfo; then
        echo "clean_root: $1 still has mounts; left in place" >&2
        return 1
    fi
    rm -rf --one-file-system "$1"
}
cleanup() {
    unmount_all
    remove_tree "$work" || true
}
trap cleanup EXIT
trap 'exit 130' INT TERM

bind() {
    mount --bind "$1" "$2"
    mounts+=("$2")
}
# /proc, /sys, /dev (with its pts and shm) and the package cache.
enter() {
    local root=$1
    mount -t proc proc "$root/proc"
    mounts+=("$root/proc")
    bind /sys "$root/sys"
    bind /dev "$root/dev"
    bind /dev/pts "$root/dev/pts"
    bind /dev/shm "$root/dev/shm"
    bind "$archives" "$root/var/cache/apt/archives"
}
in_root() {
    local root=$1
    shift
    chroot "$root" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 \
        DEBIAN_FRONTEND=noninteractive "$@"
}

# --- The cached roots -------------------------------------------------------
if [ ! -d "$base" ]; then
    echo "making the minimal Debian 12 root from $mirror (cached in $base)"
    rm -rf --one-file-system "$base.partial"
    debootstrap --variant=minbase bookworm "$base.partial" "$mirror" > "$work/debootstrap.log" 2>&1 \
        || { tail -n 20 "$work/debootstrap.log" >&2; fail "debootstrap failed"; }
    mv "$base.partial" "$base"
    echo "  done at $(elapsed)"
fi

# The desktop layer is remade when missing, older than the base root, or made
# for another package list (bookworm-desktop.packages says which).
stamp="${desktop_packages[*]} ${test_packages[*]} | $mirror $security"
if [ ! -d "$desktop" ] || [ ! -f "$desktop.packages" ] || [ "$(cat "$desktop.packages")" != "$stamp" ] \
    || [ "$base" -nt "$desktop.packages" ]; then
    echo "adding the desktop's libraries and the test tools (cached in $desktop)"
    remove_tree "$desktop" 2> /dev/null || true
    remove_tree "$desktop.partial" 2> /dev/null || true
    cp -a "$base" "$desktop.partial"
    {
        echo "deb $mirror bookworm main"
        echo "deb $mirror bookworm-updates main"
        [ -n "$security" ] && echo "deb $security bookworm-security main"
    } > "$desktop.partial/etc/apt/sources.list"
    # No service starts inside the root.
    printf '#!/bin/sh\nexit 101\n' > "$desktop.partial/usr/sbin/policy-rc.d"
    chmod 755 "$desktop.partial/usr/sbin/policy-rc.d"
    enter "$desktop.partial"
    in_root "$desktop.partial" apt-get -o DPkg::Lock::Timeout=600 -qq update
    in_root "$desktop.partial" apt-get -o DPkg::Lock::Timeout=600 -qq install -y --no-install-recommends \
        "${desktop_packages[@]}" "${test_packages[@]}" > "$work/desktop.log" 2>&1 \
        || { tail -n 20 "$work/desktop.log" >&2; fail "installing the desktop packages failed"; }
    unmount_all
    mv "$desktop.partial" "$desktop"
    echo "$stamp" > "$desktop.packages"
    echo "  done at $(elapsed)"
fi

# A fresh copy of the desktop root for one check.
fresh_root() {
    remove_tree "$work/root" 2> /dev/null || true
    cp -a "$desktop" "$work/root"
    enter "$work/root"
}

# --- The checks, for the bundle and for the package ---------------------------
SDL_VIDEODRIVER=offscreen "$reference_render" frame --beat 100 --out "$work/reference.png" \
    > /dev/null || fail "the build tree's renderer could not draw beat 100"

check_versions() {
    local root=$1 dir=$2 program line
    for program in krelan-demo krelan-render; do
        line=$(in_root "$root" "$dir/$program" --version) || fail "$dir/$program --version failed"
        [ "$line" = "$program $version" ] || fail "$dir/$program --version printed '$line'"
    done
    pass "$dir: krelan-demo and krelan-render --version print $version"
}

check_frame() {
    local root=$1 dir=$2 differing
    rm -f "$root/tmp/frame.png"
    in_root "$root" env SDL_VIDEODRIVER=offscreen "$dir/krelan-render" frame --beat 100 \
        --out /tmp/frame.png > "$work/frame.log" 2>&1 || { cat "$work/frame.log" >&2; fail "$dir: frame failed"; }
    if cmp -s "$root/tmp/frame.png" "$work/reference.png"; then
        pass "$dir: the frame at beat 100 is the build tree's, byte for byte"
        return
    fi
    differing=$(compare -metric AE "$root/tmp/frame.png" "$work/reference.png" null: 2>&1) || true
    [ "$differing" = 0 ] || fail "$dir: the frame at beat 100 differs from the build tree's in $differing pixels"
    pass "$dir: the frame at beat 100 has the build tree's pixels (the PNG's bytes differ)"
}

# The show under Xvfb: once it has started, 5 s of it, then Escape.
check_show() {
    local root=$1 dir=$2
    cat > "$root/tmp/show.sh" << 'EOF'
#!/bin/bash
demo=$1
SDL_AUDIODRIVER=dummy "$demo" --no-wait --from 100 > /tmp/show.out 2> /tmp/show.err &
pid=$!
for _ in $(seq 1 1200); do
    grep -q "resources ready" /tmp/show.err && break
    kill -0 "$pid" 2> /dev/null || { echo "the show ended during start-up"; exit 1; }
    sleep 0.1
done
grep -q "resources ready" /tmp/show.err || { echo "start-up took over 120 s"; exit 1; }
sleep 5
kill -0 "$pid" 2> /dev/null || { echo "the show ended within 5 s"; exit 1; }
window=$(xdotool search --name '^Krelan Demo Engine$' | head -n 1)
[ -n "$window" ] || { echo "no window named Krelan Demo Engine"; exit 1; }
xdotool key --window "$window" Escape
for _ in $(seq 1 600); do
    kill -0 "$pid" 2> /dev/null || break
    sleep 0.1
done
kill -0 "$pid" 2> /dev/null && { echo "still running 60 s after Escape"; kill -9 "$pid"; exit 1; }
wait "$pid"
status=$?
[ "$status" = 0 ] || { echo "status $status after Escape"; exit 1; }
grep "drew" /tmp/show.err
EOF
    in_root "$root" xvfb-run -a -s "-noreset -screen 0 1920x1080x24" bash /tmp/show.sh "$dir/krelan-demo" \
        > "$work/show.log" 2>&1 \
        || { cat "$work/show.log" "$root/tmp/show.err" >&2; fail "$dir: the show under Xvfb"; }
    pass "$dir: the show ran 5 s under Xvfb and ended on Escape with status 0 ($(grep drew "$work/show.log"))"
}

# --- The bundle -------------------------------------------------------------
echo "== the bundle $name.tar.gz"
fresh_root
mkdir -p "$work/root/opt"
tar xzf "$bundle_archive" -C "$work/root/opt"
bundle=/opt/$name
# Read-only, as from a party's USB stick or a CD.
bind "$work/root$bundle" "$work/root$bundle"
mount -o remount,bind,ro "$work/root$bundle"

source "$here/../../tools/release/system_libraries.bash"
# Where the root's loader finds each library of either executable.
in_root "$work/root" ldd "$bundle/krelan-demo" "$bundle/krelan-render" > "$work/ldd" \
    || fail "ldd of the bundle's executables failed"
grep -q "not found" "$work/ldd" && fail "libraries not found: $(grep "not found" "$work/ldd" | tr -s ' \t' ' ')"
declare -A resolved
while read -r soname arrow path _; do
    if [ "$arrow" = "=>" ]; then
        resolved[$soname]=$path
    elif [[ $soname == /* ]]; then
        resolved[$(basename "$soname")]=$soname  # the loader, named by its path
    fi
done < "$work/ldd"
# Every library the executables and lib/ ask for: the bundle's copy, or one
# the system list allows. What those system libraries load themselves is the
# system's.
inside=0
declare -A from_system
libraries=("$work/root$bundle"/lib/*.so*)
for file in "$work/root$bundle"/krelan-demo "$work/root$bundle"/krelan-render "${libraries[@]}"; do
    for soname in $(objdump -p "$file" | awk '$1 == "NEEDED" {print $2}'); do
        path=${resolved[$soname]:-}
        [ -n "$path" ] || fail "$(basename "$file") needs $soname, which ldd did not list"
        if [ -f "$work/root$bundle/lib/$soname" ]; then
            [ "$path" = "$bundle/lib/$soname" ] || fail "$soname resolves to $path, not the bundle's copy"
            inside=$((inside + 1))
        else
            is_system "$soname" || fail "$(basename "$file") takes $soname from the system ($path), which is not on the system list"
            from_system[$soname]=1
        fi
    done
done
others=0
for soname in "${!resolved[@]}"; do
    [[ ${resolved[$soname]} == $bundle/* ]] || others=$((others + 1))
done
pass "ldd: ${#libraries[@]} libraries from lib/, ${#from_system[@]} from the system list asked for directly, $others loaded from the system in all (those and what they need)"
check_versions "$work/root" "$bundle"
check_frame "$work/root" "$bundle"
check_show "$work/root" "$bundle"
unmount_all
echo "  the bundle's checks done at $(elapsed)"

# --- The package ------------------------------------------------------------
echo "== the package $(basename "$deb")"
fresh_root
cp "$deb" "$work/root/tmp/"
# Everything in the root before, to tell what the package leaves behind.
snapshot() {
    in_root "$work/root" find / -xdev \( -path /proc -o -path /sys -o -path /dev -o -path /tmp \
        -o -path /var/cache/apt -o -path /var/lib/apt/lists \) -prune -o -print | sort
}
snapshot > "$work/before"
in_root "$work/root" apt-get -o DPkg::Lock::Timeout=600 -qq update
in_root "$work/root" apt-get -o DPkg::Lock::Timeout=600 install -y "/tmp/$(basename "$deb")" > "$work/install.log" 2>&1 \
    || { tail -n 30 "$work/install.log" >&2; fail "apt-get install of the package failed"; }
status=$(in_root "$work/root" dpkg-query -W -f='${Status}' krelan)
[ "$status" = "install ok installed" ] || fail "after apt-get install, krelan is '$status'"
depends=$(in_root "$work/root" dpkg-query -W -f='${Depends}' krelan)
newly=$(grep -c '^Setting up' "$work/install.log" || true)
pass "apt-get install: installed with $((newly - 1)) packages it depends on, directly or not (Depends: $depends)"
in_root "$work/root" dpkg -L krelan > "$work/files"
in_root "$work/root" ldd /usr/bin/krelan-demo /usr/bin/krelan-render > "$work/ldd-deb"
grep -q "not found" "$work/ldd-deb" && fail "libraries not found: $(grep "not found" "$work/ldd-deb")"
pass "ldd: every library of /usr/bin/krelan-demo and /usr/bin/krelan-render found"
check_versions "$work/root" /usr/bin
check_frame "$work/root" /usr/bin
check_show "$work/root" /usr/bin

in_root "$work/root" apt-get -o DPkg::Lock::Timeout=600 remove -y krelan > "$work/remove.log" 2>&1 \
    || { tail -n 20 "$work/remove.log" >&2; fail "apt-get remove krelan failed"; }
status=$(in_root "$work/root" dpkg-query -W -f='${Status}' krelan 2> /dev/null || true)
[ -z "$status" ] || [ "$status" = "unknown ok not-installed" ] || [ "$status" = "deinstall ok not-installed" ] \
    || fail "after apt-get remove, krelan is '$status'"
# Each path the package put there that was not there before must be gone.
left=$(comm -12 <(sort "$work/files") <(snapshot) | comm -23 - "$work/before")
[ -z "$left" ] || fail "apt-get remove left: $left"
stray=$(in_root "$work/root" find / -xdev \( -path /proc -o -path /sys -o -path /dev -o -path /tmp \) \
    -prune -o -iname '*krelan*' -print)
[ -z "$stray" ] || fail "apt-get remove left: $stray"
pass "apt-get remove krelan: none of its $(wc -l < "$work/files") paths left, nothing named krelan"
unmount_all
echo "the clean-machine stage passed in $(elapsed)"

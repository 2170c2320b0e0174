# Shared steps of the end-to-end tests: the real krelan-demo in a real X
# window (Xvfb), keys through xdotool, screenshots through ImageMagick.
# Each test script sources this file with the demo's path as $1.

set -u
DEMO=$1
HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
ASSETS=${KRELAN_ASSET_DIR:-$HERE/../../assets}

# Re-run the calling script inside a fresh Xvfb display if none is set.
# -noreset everywhere: by default Xvfb resets when its last client leaves,
# and a client connecting in that moment is refused; a show starting while
# xdotool polls for its window then falls back to no display at all.
need_display() {
    if [ -z "${DISPLAY:-}" ] || [ -n "${KRELAN_E2E_FORCE_XVFB:-}" ]; then
        unset KRELAN_E2E_FORCE_XVFB
        exec xvfb-run -a -s "-noreset -screen 0 1920x1080x24" bash "$0" "$@"
    fi
}

WORK=$(mktemp -d)
DEMO_PID=
cleanup() {
    [ -n "$DEMO_PID" ] && kill -9 "$DEMO_PID" 2>/dev/null
    # KRELAN_E2E_KEEP=1 keeps the test's files (logs, screenshots, recordings).
    if [ -n "${KRELAN_E2E_KEEP:-}" ]; then echo "kept $WORK" >&2; else rm -rf "$WORK"; fi
}
trap cleanup EXIT

fail() { echo "FAIL: $*" >&2; [ -f "$WORK/err" ] && sed 's/^/  demo: /' "$WORK/err" >&2; exit 1; }
pass() { echo "PASS: $*"; }

# Starts the demo in the background with the disk audio driver; arguments
# go to the demo.
start_demo() {
    # A background job of a script starts with SIGINT ignored; give the show
    # the default disposition a terminal would.
    env --default-signal=INT SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$WORK/audio.raw" \
        "$DEMO" "$@" > "$WORK/out" 2> "$WORK/err" &
    DEMO_PID=$!
}

# Waits up to $2 seconds for `grep -q $1` on the demo's stderr.
wait_for_log() {
    for _ in $(seq 1 $(( $2 * 10 ))); do
        grep -q "$1" "$WORK/err" && return 0
        kill -0 "$DEMO_PID" 2>/dev/null || return 1
        sleep 0.1
    done
    return 1
}

window_id() { xdotool search --name "^Krelan Demo Engine$" 2>/dev/null | head -n 1; }

wait_for_window() {
    for _ in $(seq 1 100); do
        WIN=$(window_id)
        [ -n "$WIN" ] && return 0
        sleep 0.1
    done
    return 1
}

# Waits up to $1 seconds for the demo to exit; sets STATUS.
wait_for_exit() {
    for _ in $(seq 1 $(( $1 * 10 ))); do
        if ! kill -0 "$DEMO_PID" 2>/dev/null; then
            wait "$DEMO_PID"; STATUS=$?; DEMO_PID=; return 0
        fi
        sleep 0.1
    done
    return 1
}

key() { xdotool key --window "$WIN" "$@"; }

# The beat the demo prints when `p` is released.
print_beat() {
    local before
    before=$(grep -c '^Beat:' "$WORK/out")
    key p
    # Frames of the heavier scenes take seconds on a software rasteriser.
    for _ in $(seq 1 600); do
        if [ "$(grep -c '^Beat:' "$WORK/out")" -gt "$before" ]; then
            grep '^Beat:' "$WORK/out" | tail -n 1 | awk '{print $2}'
            return 0
        fi
        sleep 0.1
    done
    fail "no answer to p within 60 s"

}

# Presses `s` and prints the beat afterwards. A `p` handled in the same pass
# as the `s` still shows the beat from before the skip (the clock is read
# before the events), so the second print is the one that counts.
skip_and_print_beat() {
    key s
    print_beat > /dev/null || return 1
    print_beat
}

screenshot() { import -window root "$1"; }

# The window's size as WxH.
window_size() { xdotool getwindowgeometry "$WIN" | awk '/Geometry/ {print $2}'; }

# Largest difference of any channel of any pixel between two images, 0..255.
peak_difference() { compare -metric PAE "$1" "$2" null: 2>&1 | awk '{print int($1 / 257 + 0.5)}'; }

# Largest channel value in image $1, in the region $2 (WxH+X+Y), 0..255.
region_peak() { convert "$1" -crop "$2" +repage -format '%[fx:int(maxima * 255)]' info:; }

# Number of pixels in which two images differ.
pixels_differing() { compare -metric AE "$1" "$2" null: 2>&1 | awk '{print int($1)}'; }

#!/usr/bin/env bash
# Screens other than 1920x1080, under a window manager (openbox) so that
# fullscreen takes the screen: on a 1280x720 and a 2560x1440 screen the show
# in fullscreen is its 1920x1080 frame scaled to the screen, and a window of
# another aspect shows it with black bars (the warning card, a still frame,
# compared with the card scaled bilinearly by ImageMagick); F11 and
# Alt+Enter switch between window and fullscreen, and a resize, while the
# show runs on. (The unchanged 1920x1080 window: show_timeline.sh.)
source "$(dirname "$0")/lib.bash"

# Largest channel difference from the reference allowed. Measured: 1 (the
# blit's rounding against ImageMagick's) at both screen sizes.
TOLERANCE=3

if [ -z "${2:-}" ]; then
    # One fresh display per screen size, this script again inside it.
    for screen in 1280x720 2560x1440; do
        xvfb-run -a -s "-noreset -screen 0 ${screen}x24" bash "$0" "$DEMO" "$screen" || exit 1
    done
    exit 0
fi
SCREEN=$2
openbox > /dev/null 2>&1 &
WM_PID=$!
trap 'kill "$WM_PID" 2>/dev/null; cleanup' EXIT
sleep 1

# The card in $1 scaled to $2 (WxH) the way GL's linear filter scales it.
scaled_card() { convert "$1" -filter point -interpolate bilinear -distort Resize "$2!" "$3"; }

# Waits up to 10 s for the window to be $1 (WxH).
wait_for_size() {
    for _ in $(seq 1 100); do
        [ "$(window_size)" = "$1" ] && return 0
        sleep 0.1
    done
    return 1
}

# Compares the screen (fullscreen) with the card $1 scaled to it.
check_fullscreen() {
    wait_for_size "$SCREEN" || fail "fullscreen window is $(window_size), not $SCREEN"
    scaled_card "$ASSETS/$1.png" "$SCREEN" "$WORK/ref.png"
    # Up to 10 s: the first frame at the screen's size may still be on its way.
    for _ in $(seq 1 50); do
        screenshot "$WORK/full.png"
        diff=$(peak_difference "$WORK/full.png" "$WORK/ref.png")
        [ "$diff" -le "$TOLERANCE" ] && break
        sleep 0.2
    done
    [ "$diff" -le "$TOLERANCE" ] || fail "the $1 card at $SCREEN differs by up to $diff"
    pass "fullscreen on $SCREEN: the $1 card scaled, within $diff of 255"
}

# Captures the window into $1 until the regions $2 and $3 (WxH+X+Y) are both
# black, for up to 10 s; prints their peaks. The window has its new size
# as soon as X says so, but the show's first frame at that size may still be
# on its way (a frame of the heavier scenes takes a while on a software
# rasteriser, and the show answers keys before it draws).
capture_with_black_bars() {
    local top bottom
    for _ in $(seq 1 50); do
        import -window "$WIN" "$1"
        top=$(region_peak "$1" "$2")
        bottom=$(region_peak "$1" "$3")
        [ "$top" = 0 ] && [ "$bottom" = 0 ] && break
        sleep 0.2
    done
    echo "$top $bottom"
}

# A 1000x700 window: the frame fills its width, 1000x563, with black bars of
# 69 rows above and 68 below.
check_window_bars() {
    xdotool windowmove "$WIN" 0 0  # on the screen, for the screenshot
    wait_for_size 1000x700 || fail "the window is $(window_size), not 1000x700"
    peaks=$(capture_with_black_bars "$WORK/window.png" 1000x69+0+0 1000x68+0+632)
    [ "$peaks" = "0 0" ] || fail "the bars are not black (peaks $peaks)"
    convert "$WORK/window.png" -crop 1000x563+0+69 +repage "$WORK/picture.png"
    scaled_card "$ASSETS/$1.png" 1000x563 "$WORK/ref.png"
    diff=$(peak_difference "$WORK/picture.png" "$WORK/ref.png")
    [ "$diff" -le "$TOLERANCE" ] || fail "the $1 card in a 1000x700 window differs by up to $diff"
    pass "1000x700 window: black bars, the $1 card scaled within $diff of 255"
}

# Prints the beat; fails unless it is past $1.
beat_after() {
    local b
    b=$(print_beat) || exit 1
    awk -v a="$1" -v b="$b" 'BEGIN { exit !(b > a) }' || fail "the beat went from $1 to $b"
    echo "$b"
}

if [ "$SCREEN" = 1280x720 ]; then
    # --window, then to fullscreen and back: the warning card all along.
    start_demo --window 1000x700 --no-wait --from 0
    wait_for_window || fail "no window"
    wait_for_log "resources ready" 120 || fail "start-up did not finish"
    check_window_bars warning
    b0=$(print_beat) || exit 1
    xdotool key --window "$WIN" alt+Return
    check_fullscreen warning
    key F11
    wait_for_size 1000x700 || fail "F11 left the window at $(window_size)"
else
    # --fullscreen, then to the window and back.
    start_demo --fullscreen --no-wait --from 0
    wait_for_window || fail "no window"
    wait_for_log "resources ready" 120 || fail "start-up did not finish"
    check_fullscreen warning
    b0=$(print_beat) || exit 1
    key F11
    wait_for_size 1920x1080 || fail "F11 left the window at $(window_size)"
    xdotool key --window "$WIN" alt+Return
    wait_for_size "$SCREEN" || fail "Alt+Enter left the window at $(window_size)"
    key F11
    wait_for_size 1920x1080 || fail "F11 left the window at $(window_size)"
fi
b1=$(beat_after "$b0")
pass "Alt+Enter and F11 toggle fullscreen, the show runs on ($b0 -> $b1)"

# A resize to a square window: the show runs on, bars above and below.
xdotool windowsize "$WIN" 800 800
wait_for_size 800x800 || fail "the window did not resize: $(window_size)"
b2=$(beat_after "$b1")
# The 800x450 frame in the middle: bars of 175 rows above and below.
peaks=$(capture_with_black_bars "$WORK/square.png" 800x175+0+0 800x175+0+625)
[ "$peaks" = "0 0" ] || fail "the bars of the square window are not black (peaks $peaks)"
pass "resized to 800x800: black bars, the show runs on ($b2)"

key Escape
wait_for_exit 30 || fail "Escape did not end the show"
[ "$STATUS" = 0 ] || fail "exit status $STATUS after Escape"
pass "Escape ends the show with status 0"

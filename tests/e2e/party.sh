#!/usr/bin/env bash
# What a party machine asks of the show: no cursor over it, in the window
# and in fullscreen (the cursor the X server really draws, read through
# XFixes); --display N opens on monitor N, and on the first with a message
# when there is none; --vsync sets the swap interval only when asked, and
# adaptive falls back to on with a line where the driver refuses it.
source "$(dirname "$0")/lib.bash"

if [ -z "${2:-}" ]; then
    # Each part in a display of its own: one screen under a window manager
    # (so that fullscreen takes the screen), then two X screens of different
    # sizes, which SDL counts as two monitors.
    xvfb-run -a -s "-noreset -screen 0 1920x1080x24" bash "$0" "$DEMO" cursor || exit 1
    xvfb-run -a -s "-noreset -screen 0 1280x720x24 -screen 1 1024x768x24" bash "$0" "$DEMO" display \
        || exit 1
    bash "$0" "$DEMO" vsync
    exit
fi

# Visible pixels of the cursor with the pointer over window $1 (or wherever
# it is), as "VISIBLE of TOTAL".
cursor_pixels() { "$KRELAN_CURSOR_PROBE" "$@" || fail "the cursor probe failed"; }

check_cursor() {
    openbox > /dev/null 2>&1 &
    WM_PID=$!
    trap 'kill "$WM_PID" 2>/dev/null; cleanup' EXIT
    sleep 1
    # The probe sees a cursor where there is one: the server's own over the root.
    root=$(cursor_pixels)
    [ "${root%% *}" -gt 0 ] || fail "no visible cursor over the root window ($root): the probe sees nothing"

    start_demo --no-wait --from 100 --window 1280x720
    wait_for_window || fail "no window"
    wait_for_log "resources ready" 120 || fail "start-up did not finish"
    over=$(cursor_pixels "$WIN")
    [ "${over%% *}" = 0 ] || fail "the cursor shows over the window ($over pixels)"
    pass "no cursor over the window ($over visible pixels; $root over the root)"

    key F11
    for _ in $(seq 1 100); do
        [ "$(window_size)" = 1920x1080 ] && break
        sleep 0.1
    done
    [ "$(window_size)" = 1920x1080 ] || fail "F11 did not make the window fullscreen"
    over=$(cursor_pixels "$WIN")
    [ "${over%% *}" = 0 ] || fail "the cursor shows over the fullscreen show ($over pixels)"
    pass "no cursor over the show in fullscreen ($over visible pixels)"
    key Escape
    wait_for_exit 60 && [ "$STATUS" = 0 ] || fail "Escape did not end the show with status 0"
}

# The window's top-left corner as X,Y (no window manager here: SDL's position stands).
window_position() { xwininfo -id "$WIN" | awk '/Absolute upper-left X/ {x = $4} /Absolute upper-left Y/ {y = $4} END {print x "," y}'; }

check_display() {
    # A 640x360 window centred on monitor 0 (1280x720) is at 320,180; on
    # monitor 1 (1024x768) at 192,204.
    for case in "0 320,180" "1 192,204" "7 320,180"; do
        read -r n expected <<< "$case"
        start_demo --window 640x360 --display "$n"
        wait_for_window || fail "--display $n: no window"
        sleep 0.5
        at=$(window_position)
        [ "$at" = "$expected" ] || fail "--display $n: the window is at $at, not $expected"
        if [ "$n" = 7 ]; then
            grep -q "there is no display 7 (2 found); the show opens on display 0" "$WORK/err" \
                || fail "--display 7: no message about the missing monitor"
        else
            grep -q "no display" "$WORK/err" && fail "--display $n: a message about a missing monitor"
        fi
        kill -TERM "$DEMO_PID"
        wait_for_exit 20 && [ "$STATUS" = 0 ] || fail "--display $n: SIGTERM did not end the show cleanly"
        pass "--display $n: the window centred at $at$([ "$n" = 7 ] && echo ', with the message')"
    done
}

# Runs the show on the offscreen driver (Mesa's EGL: it takes the intervals
# on and off and refuses adaptive) until start-up is done, then ends it.
vsync_run() {
    SDL_VIDEODRIVER=offscreen start_demo --no-wait "$@"
    wait_for_log "resources ready" 120 || fail "$*: start-up did not finish"
    kill -TERM "$DEMO_PID"
    wait_for_exit 20 && [ "$STATUS" = 0 ] || fail "$*: SIGTERM did not end the show cleanly"
}

check_vsync() {
    vsync_run
    grep -q "vsync" "$WORK/err" && fail "no --vsync: a line about vsync"
    for mode in on off; do
        vsync_run --vsync "$mode"
        grep -q "vsync" "$WORK/err" && fail "--vsync $mode: a refusal where the driver takes it"
    done
    vsync_run --vsync adaptive
    grep -q "refuses adaptive vsync (.*); using vsync on" "$WORK/err" \
        || fail "--vsync adaptive: no line about falling back to on"
    grep -q "refuses vsync on" "$WORK/err" && fail "--vsync adaptive: on was refused as well"
    pass "--vsync: nothing said by default or for on and off; adaptive falls back to on with a line"
}

case $2 in
cursor) check_cursor ;;
display) check_display ;;
vsync) check_vsync ;;
esac

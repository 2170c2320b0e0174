#!/usr/bin/env bash
# The show's faults: what it says when the machine lacks something (no
# display, no audio device, a GL driver without programs or framebuffer
# objects), a window close or signal during the start wait, and standard
# output closed or broken. Each ends with a message and its status, and
# leaves no process behind.
source "$(dirname "$0")/lib.bash"
need_display "$@"

run() { timeout 60 "$@" "$DEMO" > "$WORK/out" 2> "$WORK/err"; STATUS=$?; }

run env -u DISPLAY -u WAYLAND_DISPLAY SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=dummy
[ "$STATUS" = 1 ] || fail "no display: status $STATUS, expected 1"
grep -q "Failed to initialize SDL: " "$WORK/err" || fail "no display: no SDL message"
pass "no display: status 1 and SDL's message"

run env SDL_VIDEODRIVER=none-such SDL_AUDIODRIVER=dummy
[ "$STATUS" = 1 ] || fail "unknown video driver: status $STATUS, expected 1"
grep -q "Failed to initialize SDL: " "$WORK/err" || fail "unknown video driver: no SDL message"
pass "no video driver: status 1 and SDL's message"

run env SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=/nonexistent/dir/out.raw
[ "$STATUS" = 255 ] || fail "no audio device: status $STATUS, expected -1 (255)"
grep -q "cannot open the audio device" "$WORK/err" || fail "no audio device: no message"
pass "no audio device: status -1 and a message"

run env SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy MESA_GL_VERSION_OVERRIDE=1.5
[ "$STATUS" = 2 ] || fail "GL 1.5: status $STATUS, expected 2"
grep -q "OpenGL 1.5.* lacks what the show needs" "$WORK/err" || fail "GL 1.5: no clear message"
pass "GL 1.5: status 2 and a clear message"

# With no display and no driver named, SDL's fallback to a driver that shows
# nothing is refused; naming that driver (as above) still runs it.
run env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER SDL_AUDIODRIVER=dummy
[ "$STATUS" = 1 ] || fail "no display, no driver named: status $STATUS, expected 1"
grep -q "Failed to initialize SDL: no display" "$WORK/err" || fail "no display: no SDL message"
pass "no display and no driver named: status 1 and SDL's message, nothing plays"

run env SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=none-such
[ "$STATUS" = 1 ] || fail "unknown audio driver: status $STATUS, expected 1"
grep -q "Failed to initialize SDL: " "$WORK/err" || fail "unknown audio driver: no SDL message"
pass "unknown audio driver: status 1 and SDL's message"

# A window close or SIGTERM during the 10 s start wait ends the show at once.
for how in close TERM; do
    start_demo
    wait_for_window || fail "no window"
    if [ "$how" = close ]; then "$KRELAN_CLOSE_WINDOW" "$WIN"; else kill -TERM "$DEMO_PID"; fi
    wait_for_exit 3 || fail "$how during the start wait: still running 3 s later"
    [ "$STATUS" = 0 ] || fail "$how during the start wait: status $STATUS"
    grep -q "resources ready" "$WORK/err" && fail "$how during the start wait: start-up went on"
    pass "$how during the start wait ends the show at once with status 0"
done

# Standard output closed, or a pipe whose reader has gone: `p` neither writes
# into another file (the X connection) nor ends the show.
for out in closed broken; do
    if [ "$out" = closed ]; then
        env SDL_AUDIODRIVER=dummy "$DEMO" >&- 2> "$WORK/err" &
    else
        env SDL_AUDIODRIVER=dummy "$DEMO" > >(exec 0<&-; true) 2> "$WORK/err" &
    fi
    DEMO_PID=$!
    wait_for_window || fail "no window"
    wait_for_log "resources ready" 120 || fail "start-up did not finish"
    key p; key p; sleep 1; key p; sleep 1
    kill -0 "$DEMO_PID" 2>/dev/null || fail "stdout $out: p ended the show"
    key Escape
    wait_for_exit 60 || fail "stdout $out: the show stopped answering after p"
    [ "$STATUS" = 0 ] || fail "stdout $out: status $STATUS after p and Escape"
    pass "stdout $out: p harms nothing and Escape still ends the show with status 0"
done

pgrep -f "^$DEMO" > /dev/null && fail "a demo process was left behind"
pass "no process left behind"

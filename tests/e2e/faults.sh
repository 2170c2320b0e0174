#!/usr/bin/env bash
# What the show says when the machine lacks something: no display, no audio
# device, a GL driver without programs or framebuffer objects. Each ends with
# a message and its status, and leaves no process behind.
source "$(dirname "$0")/lib.bash"

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

pgrep -f "^$DEMO" > /dev/null && fail "a demo process was left behind"
pass "no process left behind"

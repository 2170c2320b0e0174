#!/usr/bin/env bash
# An audio device that cannot open ends start-up with status -1 and says why.
source "$(dirname "$0")/lib.bash"

SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=/nonexistent/dir/out.raw \
    timeout 30 "$DEMO" > "$WORK/out" 2> "$WORK/err"
status=$?
[ "$status" = 255 ] || fail "status $status, expected -1 (255)"
grep -q "cannot open the audio device" "$WORK/err" || fail "no message about the audio device"
pass "no audio device: status -1 and a message"

#!/usr/bin/env bash
# Keys act on release only; Escape released during the start wait, the
# window's close button, SIGTERM and SIGINT all end the show cleanly with
# status 0.
source "$(dirname "$0")/lib.bash"
need_display "$@"

# A held key does nothing until it is released.
start_demo
wait_for_window || fail "no window"
wait_for_log "resources ready" 120 || fail "start-up did not finish"
b0=$(print_beat) || exit 1
xdotool keydown --window "$WIN" s
sleep 2
b1=$(print_beat) || exit 1
awk -v a="$b0" -v b="$b1" 'BEGIN { d = b - a; exit !(d > 3 && d < 12) }' \
    || fail "while s was held the beat went from $b0 to $b1"
xdotool keyup --window "$WIN" s
print_beat > /dev/null || exit 1  # may share its pass with the release
b2=$(print_beat) || exit 1
awk -v a="$b1" -v b="$b2" 'BEGIN { d = b - a; exit !(d > 21.6 && d < 32) }' \
    || fail "releasing s moved the beat from $b1 to $b2"
pass "a held key acts on release ($b0 -> $b1 held -> $b2 released)"

# Repeated skips past beat 528 end the show by itself with status 0.
for _ in $(seq 1 26); do key s; done
wait_for_exit 120 || fail "skipping past beat 528 did not end the show"
[ "$STATUS" = 0 ] || fail "status $STATUS after skipping past the end"
end_beat=$(sed -n 's/.*ended at beat \([0-9.-]*\).*/\1/p' "$WORK/err")
awk -v b="$end_beat" 'BEGIN { exit !(b > 528) }' || fail "the show ended at beat '$end_beat'"
pass "skips past beat 528 end the show with status 0"

# Escape released during the start wait ends the show at once, as a window
# close or a signal does: no frame of the show is drawn.
start_demo
wait_for_window || fail "no window"
sleep 1
key Escape
wait_for_exit 5 || fail "Escape during the start wait did not end the show at once"
[ "$STATUS" = 0 ] || fail "status $STATUS"
grep -q "drew 0 frames" "$WORK/err" || fail "expected no frame: $(grep drew "$WORK/err")"
pass "Escape during the start wait ends the show at once"

# The window's close button.
start_demo
wait_for_window || fail "no window"
wait_for_log "resources ready" 120 || fail "start-up did not finish"
"$KRELAN_CLOSE_WINDOW" "$WIN"
wait_for_exit 60 || fail "closing the window did not end the show"
[ "$STATUS" = 0 ] || fail "status $STATUS after closing the window"
pass "closing the window ends the show with status 0"

# SIGTERM and SIGINT, once running and during the start wait.
for signal in TERM INT; do
    for when in running waiting; do
        start_demo
        wait_for_window || fail "no window"
        [ "$when" = running ] && { wait_for_log "resources ready" 120 || fail "start-up did not finish"; }
        kill -s "$signal" "$DEMO_PID"
        wait_for_exit 60 || fail "SIG$signal ($when) did not end the show"
        [ "$STATUS" = 0 ] || fail "status $STATUS after SIG$signal ($when)"
        grep -q "drew" "$WORK/err" || fail "SIG$signal ($when) skipped the clean shutdown"
        pass "SIG$signal while $when ends the show cleanly with status 0"
    done
done

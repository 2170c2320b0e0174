#!/usr/bin/env bash
# The command line: a bad option or value prints the usage and exits with
# status 2 before SDL starts (so before any window); --help and --version;
# --from starts the clock and the music at the beat it names, also inside the
# post chain, where the automaton runs from its seed as after a skip;
# --calibrate flashes on the beat, shows the offset, which the arrow keys move,
# and prints it at exit.
source "$(dirname "$0")/lib.bash"
need_display "$@"

# Without a display, SDL's start would fail with status 1: status 2 and no
# SDL message show that the show stopped before it.
for args in "--bogus" "--window 12x3" "--window 1280" "--from abc" "--from 600" "--from" \
            "--fullscreen=yes" "extra" "--vsync maybe" "--display 64" "--av-offset 501" \
            "--av-offset 1.5" "--calibrate=1"; do
    # shellcheck disable=SC2086  # the arguments are meant to split
    env -u DISPLAY -u WAYLAND_DISPLAY SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=dummy \
        timeout 20 "$DEMO" $args > "$WORK/out" 2> "$WORK/err"
    STATUS=$?
    [ "$STATUS" = 2 ] || fail "'$args': status $STATUS, expected 2"
    grep -q "^krelan-demo: " "$WORK/err" && grep -q "^usage: krelan-demo" "$WORK/err" \
        || fail "'$args': no reason and usage on stderr"
    grep -q "Failed to initialize SDL" "$WORK/err" && fail "'$args': SDL was started"
done
pass "bad options and values: status 2, the reason and the usage, SDL not started"

timeout 20 "$DEMO" --help > "$WORK/out" 2> "$WORK/err" || fail "--help: status $?"
grep -q "^usage: krelan-demo" "$WORK/out" || fail "--help printed no usage"
version=$(timeout 20 "$DEMO" --version) || fail "--version: status $?"
[[ "$version" =~ ^krelan-demo\ [0-9]+\.[0-9]+ ]] || fail "--version printed '$version'"
pass "--help prints the usage, --version '$version', both status 0"

# Output that cannot be written (a full disk, a closed standard output, a
# reader that has gone) is a failure: status 1 and the reason on stderr.
for option in --help --version; do
    for target in full closed broken; do
        rm -f "$WORK/gone"
        case $target in
        full) timeout 20 "$DEMO" $option > /dev/full 2> "$WORK/err" ;;
        closed) timeout 20 "$DEMO" $option >&- 2> "$WORK/err" ;;
        # The reader closes its end before the demo starts writing.
        broken) { until [ -e "$WORK/gone" ]; do sleep 0.05; done
                  timeout 20 "$DEMO" $option 2> "$WORK/err"; } | { exec 0<&-; touch "$WORK/gone"; } ;;
        esac
        STATUS=${PIPESTATUS[0]}
        [ "$STATUS" = 1 ] || fail "$option to a $target output: status $STATUS, expected 1"
        grep -q "^krelan-demo: cannot write to standard output: " "$WORK/err" \
            || fail "$option to a $target output: no reason on stderr"
    done
done
pass "--help and --version to a full, closed or broken output: status 1 and the reason"

# Prints the beat and checks it against `from` plus the time since the music
# started (taken when start-up reported ready).
check_from_beat() {
    local from=$1 ready=$2 beat now expected
    beat=$(print_beat) || exit 1
    now=$(date +%s.%N)
    expected=$(echo "$from + ($now - $ready) * 130 / 60" | bc -l)
    awk -v b="$beat" -v f="$from" -v e="$expected" \
        'BEGIN { d = b - e; exit !(b >= f && d > -1.5 && d < 1.0) }' \
        || fail "--from $from: p printed beat $beat, expected about $expected"
    echo "$beat"
}

start_demo --no-wait --from 100
wait_for_window || fail "no window"
wait_for_log "resources ready" 120 || fail "start-up did not finish"
ready=$(date +%s.%N)
grep -q "drew" "$WORK/err" && fail "the show ended early"
asked=$(date +%s.%N)
beat=$(check_from_beat 100 "$ready")
after=$(skip_and_print_beat) || exit 1
answered=$(date +%s.%N)
# The skip's 21.67 beats, plus at most the beats the clock ran between the
# two prints (a loaded machine draws the sphere slowly).
awk -v a="$after" -v b="$beat" -v t0="$asked" -v t1="$answered" \
    'BEGIN { d = a - b; exit !(d > 21.6 && d < 21.7 + (t1 - t0) * 130 / 60) }' \
    || fail "s after --from moved the beat from $beat to $after"
pass "--from 100 --no-wait: p prints $beat, s still skips ($after)"
key Escape
wait_for_exit 20 && [ "$STATUS" = 0 ] || fail "Escape did not end the show with status 0"

start_demo --no-wait --from 460
wait_for_window || fail "no window"
wait_for_log "resources ready" 120 || fail "start-up did not finish"
ready=$(date +%s.%N)
beat=$(check_from_beat 460 "$ready")
sleep 1
screenshot "$WORK/chain.png"
peak() { convert "$WORK/chain.png" -channel "$1" -separate -format '%[fx:int(maxima * 255)]' info:; }
[ "$(peak R)" = 0 ] || fail "--from 460 shows red"
[ "$(peak G)" -gt 0 ] || fail "--from 460 shows nothing"
pass "--from 460: p prints $beat, the post chain draws cyan on black"
key Escape
wait_for_exit 60 && [ "$STATUS" = 0 ] || fail "Escape did not end the show with status 0"

# The calibration view: black frames with a white flash on every beat and the
# offset written in the bottom-left corner; Right and Up add 5 ms, Left and
# Down take 5 ms off; the offset is printed at exit, ready for --av-offset.
start_demo --no-wait --from 20 --calibrate --av-offset -20
wait_for_window || fail "no window"
wait_for_log "resources ready" 120 || fail "start-up did not finish"
centre() { convert "$1" -crop 1x1+960+540 -format '%[fx:int(maxima * 255)]' info:; }
flash= dark=
for i in $(seq 1 80); do
    screenshot "$WORK/calibration.png"
    level=$(centre "$WORK/calibration.png")
    [ "$level" = 255 ] && flash=1
    # A black frame after a flash: the start frame before it is black too.
    [ "$level" = 0 ] && [ -n "$flash" ] && { dark=1; cp "$WORK/calibration.png" "$WORK/dark.png"; }
    [ -n "$flash" ] && [ -n "$dark" ] && break
done
[ -n "$flash" ] && [ -n "$dark" ] || fail "--calibrate: no white flash and black frame (flash '$flash', dark '$dark')"
[ "$(region_peak "$WORK/dark.png" 1200x400+0+680)" -gt 200 ] || fail "--calibrate: no offset written"
[ "$(region_peak "$WORK/dark.png" 1920x600+0+0)" = 0 ] || fail "--calibrate: more than black above the text"
for k in Right Right Up Left Down Right; do key "$k"; done
key Escape
wait_for_exit 60 && [ "$STATUS" = 0 ] || fail "Escape did not end the calibration with status 0"
grep -qx -- "--av-offset -10" "$WORK/out" || fail "--calibrate printed '$(cat "$WORK/out")', not --av-offset -10"
pass "--calibrate: flashes on the beat, shows the offset, the arrows move it (-20 -> -10), printed at exit"

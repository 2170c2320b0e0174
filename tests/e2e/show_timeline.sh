#!/usr/bin/env bash
# The real show in a real window: title and size, the `p` print against the
# beat clock, the skip key, the warning card, the post chain, the end card,
# Escape, and the music reaching the audio device.
source "$(dirname "$0")/lib.bash"
need_display "$@"

start_demo
wait_for_window || fail "no window titled 'Krelan Demo Engine'"
geometry=$(xdotool getwindowgeometry "$WIN" | awk '/Geometry/ {print $2}')
[ "$geometry" = "1920x1080" ] || fail "window is $geometry, not 1920x1080"
pass "window 'Krelan Demo Engine', 1920x1080"

wait_for_log "resources ready" 120 || fail "start-up did not finish"
music_start=$(date +%s.%N)
sleep 1.5

screenshot "$WORK/warning.png"
diff=$(pixels_differing "$WORK/warning.png" "$ASSETS/warning.png")
[ "$diff" = 0 ] || fail "the warning card differs from warning.png in $diff pixels"
pass "warning card shown exactly"

beat=$(print_beat) || exit 1
now=$(date +%s.%N)
expected=$(echo "($now - $music_start) * 130 / 60 - 0.5" | bc -l)
grep -q '^Sample: -\?[0-9]\+$' "$WORK/out" || fail "no 'Sample: %d' line: $(cat "$WORK/out")"
awk -v b="$beat" -v e="$expected" 'BEGIN { d = b - e; if (d < -1.5 || d > 1.0) exit 1 }' \
    || fail "p printed beat $beat, the clock says about $expected"
pass "p prints the sample and beat $beat (clock about $expected)"

after=$(skip_and_print_beat) || exit 1
awk -v a="$after" -v b="$beat" 'BEGIN { d = a - b; if (d < 21.6 || d > 24.5) exit 1 }' \
    || fail "s moved the beat from $beat to $after"
pass "s moves the beat by about 21.67 ($beat -> $after)"

# Into the post chain: skip until the beat lies in 452..505.
b=$after
for _ in $(seq 1 30); do
    awk -v b="$b" 'BEGIN { exit !(b >= 452) }' && break
    b=$(skip_and_print_beat) || exit 1
done
awk -v b="$b" 'BEGIN { exit !(b >= 452 && b < 505) }' || fail "skips landed at beat $b"
sleep 1
screenshot "$WORK/chain.png"
red=$(convert "$WORK/chain.png" -channel R -separate -format '%[fx:maxima]' info:)
green=$(convert "$WORK/chain.png" -channel G -separate -format '%[fx:maxima]' info:)
[ "$red" = 0 ] || fail "post chain shows red (max $red)"
awk -v g="$green" 'BEGIN { exit !(g > 0) }' || fail "post chain shows nothing"
pass "post chain at beat $b: cyan on black"

# On to the end card: skip while a skip (21.67 beats, plus a few for the
# slow post-chain frames between the keys) stays well short of the end, then
# let the clock run into the card.
for _ in $(seq 1 80); do
    awk -v b="$b" 'BEGIN { exit !(b >= 512) }' && break
    if awk -v b="$b" 'BEGIN { exit !(b + 26 < 521) }'; then
        b=$(skip_and_print_beat) || exit 1
    else
        sleep 0.5
        b=$(print_beat) || exit 1
    fi
done
awk -v b="$b" 'BEGIN { exit !(b >= 512 && b < 527) }' || fail "skips landed at beat $b"
screenshot "$WORK/end.png"
diff=$(pixels_differing "$WORK/end.png" "$ASSETS/end.png")
[ "$diff" = 0 ] || fail "the end card differs from end.png in $diff pixels"
pass "end card shown exactly at beat $b"

key Escape
wait_for_exit 20 || fail "Escape did not end the show"
[ "$STATUS" = 0 ] || fail "exit status $STATUS after Escape"
pass "Escape ends the show with status 0"

bytes=$(stat -c %s "$WORK/audio.raw")
peak=$(od -An -v -td2 -w2 "$WORK/audio.raw" | awk '{ v = $1 < 0 ? -$1 : $1; if (v > m) m = v } END { print m + 0 }')
[ "$bytes" -gt 1000000 ] && [ "$peak" -gt 1000 ] || fail "audio file: $bytes bytes, peak $peak"
pass "the music reached the audio device ($bytes bytes, peak $peak)"

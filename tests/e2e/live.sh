#!/usr/bin/env bash
# krelan-demo --live on a copy of shaders/: a saved piece is on screen within
# 2 s; a broken one keeps the last good picture with its error over it and
# names piece and line on stderr; the mended piece takes the error away; a
# broken schedule shows its line, a mended one is followed. The timeline's
# keys: a pause holds the beat, Left moves a bar back exactly, a loop keeps
# the beat inside it, Page Up and Down land on a part's first beat; a seek
# into the post chain shows the renderer's frame at its beat (a long one
# drawn over several frames, not in one frozen one), and a new seed saved
# in the life pass is grown afresh. Prints the edit-and-see loop's times
# (sphere and field) and the longest seek into the post chain.
source "$(dirname "$0")/lib.bash"
need_display "$@"
RENDER=${2:?usage: live.sh KRELAN-DEMO KRELAN-RENDER}

COPY=$WORK/shaders
cp -r "$HERE/../../shaders" "$COPY"

shot() { import -window "$WIN" "$1"; }
# The window's middle (the picture) and its bottom strip (where errors go).
middle() { echo "$((W / 2))x$((H / 2))+$((W / 4))+$((H / 4))"; }
bottom() { echo "$((W / 2))x$((H / 10))+0+$((H - H / 10))"; }
region_diff() {  # pixels of region $3 that differ between images $1 and $2
    convert "$1" -crop "$3" +repage "$WORK/a.png"
    convert "$2" -crop "$3" +repage "$WORK/b.png"
    pixels_differing "$WORK/a.png" "$WORK/b.png"
}
count() { grep -c "$1" "$WORK/err"; }
# Waits up to $2 seconds for the count of lines matching $1 to exceed $3.
wait_for_more() {
    for _ in $(seq 1 $(( $2 * 20 ))); do
        [ "$(count "$1")" -gt "$3" ] && return 0
        sleep 0.05
    done
    return 1
}
close() { awk -v a="$1" -v b="$2" 'BEGIN { d = a - b; exit !(d < 0.001 && d > -0.001) }'; }
saved_ms() { grep 'saved to shown' "$WORK/err" | tail -n 1 | sed 's/.* in \([0-9]*\) ms/\1/'; }

start_demo --live "$COPY" --no-wait --from 100
wait_for_window || fail "no window"
wait_for_log "live from" 120 || fail "--live did not start"
WH=$(window_size); W=${WH%x*}; H=${WH#*x}
print_beat > /dev/null || exit 1

# Pause: two prints a second apart show the same beat.
key space
print_beat > /dev/null || exit 1
b1=$(print_beat) || exit 1
sleep 1
b2=$(print_beat) || exit 1
close "$b1" "$b2" || fail "paused, the beat went from $b1 to $b2"
pass "a pause holds the beat ($b1)"

# The sphere's colour, edited: on screen within 2 s.
shot "$WORK/white.png"
shown=$(count 'saved to shown')
sed -i 's/fragColor = vec4(shade(p, vec3(0.0, 0.0, 10.0)), 1.0);/fragColor = vec4(shade(p, vec3(0.0, 0.0, 10.0)) * vec3(1.0, 0.2, 0.2), 1.0);/' \
    "$COPY/sphere.glsl"
wait_for_more 'saved to shown' 2 "$shown" || fail "the edited sphere was not shown within 2 s"
sleep 0.3
shot "$WORK/red.png"
changed=$(region_diff "$WORK/white.png" "$WORK/red.png" "$(middle)")
[ "$changed" -gt 1000 ] || fail "the new colour changed only $changed pixels"
sphere_ms=$(saved_ms)
pass "the sphere's new colour shown $sphere_ms ms after the save ($changed pixels changed)"

# A syntax error: named by piece and line, the last good picture stays, the
# error is drawn over its bottom.
cp "$COPY/sphere.glsl" "$WORK/sphere.good"
sed -i '61i this is not glsl' "$COPY/sphere.glsl"
wait_for_log 'sphere.glsl:61:' 5 || fail "stderr does not name sphere.glsl:61"
sleep 0.5
shot "$WORK/broken.png"
[ "$(region_diff "$WORK/red.png" "$WORK/broken.png" "$(middle)")" = 0 ] \
    || fail "the picture changed with the broken piece"
text=$(region_diff "$WORK/red.png" "$WORK/broken.png" "$(bottom)")
[ "$text" -gt 200 ] || fail "no error text over the picture ($text pixels)"
pass "a broken piece: sphere.glsl:61 on stderr, the last picture kept, $text pixels of error text"

cp "$WORK/sphere.good" "$COPY/sphere.glsl"
wait_for_log "program 'sphere' builds again" 5 || fail "the mended piece did not build"
sleep 0.5
shot "$WORK/mended.png"
[ "$(region_diff "$WORK/red.png" "$WORK/mended.png" "$(bottom)")" = 0 ] \
    || fail "the error text stayed after the piece was mended"
pass "the mended piece takes the error text away"

# Left: a bar back, exactly.
key Left
print_beat > /dev/null || exit 1
b3=$(print_beat) || exit 1
close "$b3" "$(awk -v b="$b2" 'BEGIN { print b - 4 }')" || fail "Left at $b2 went to $b3"
pass "Left at $b2 lands on $b3"

# A loop of one bar from here, set with Shift and the arrows (a beat each),
# then play for 5 s: the beat stays inside.
key bracketleft
for _ in 1 2 3 4; do key shift+Right; done  # xdotool lets Shift go first
key bracketright
for _ in 1 2 3 4; do key shift+Left; done
key l
key space
print_beat > /dev/null || exit 1  # may share its pass with the keys
low=1e9 high=-1e9
end=$((SECONDS + 5))
while [ $SECONDS -lt $end ]; do
    b=$(print_beat) || exit 1
    low=$(awk -v a="$low" -v b="$b" 'BEGIN { print (b < a) ? b : a }')
    high=$(awk -v a="$high" -v b="$b" 'BEGIN { print (b > a) ? b : a }')
done
awk -v l="$low" -v h="$high" -v s="$b3" 'BEGIN { exit !(l >= s - 0.001 && h < s + 4 && h - l > 1) }' \
    || fail "looping $b3 to $b3 + 4, the beat went from $low to $high"
pass "a loop from $b3 for a bar keeps the beat within $low .. $high for 5 s"
key l

# Page Down: the next part, the field, from its first beat; there the
# heaviest program's edit-and-see loop. Paused first: a pause that came
# after the landing would find the beat already a frame or two on.
key space
key Next
print_beat > /dev/null || exit 1
b4=$(print_beat) || exit 1
close "$b4" 160 || fail "Page Down from the sphere went to $b4, not the field's beat 160"
shown=$(count 'saved to shown')
sed -i 's/vec4(1.0, 1.0, 1.0, 0.0)/vec4(1.0, 0.5, 1.0, 0.0)/' "$COPY/field.glsl"
wait_for_more 'saved to shown' 10 "$shown" || fail "the edited field was not shown within 10 s"
field_ms=$(saved_ms)
pass "the field's edit shown $field_ms ms after the save"

# The schedule: a row that overlaps another keeps the last good schedule and
# shows its line; a good change is followed.
SCHEDULE=$COPY/schedule.txt
line=$(grep -n '^scene  field ' "$SCHEDULE" | cut -d: -f1)
shot "$WORK/field.png"
sed -i 's/^\(scene  field  *\)160/\1150/' "$SCHEDULE"
wait_for_log "schedule.txt:$line: this row overlaps" 5 || fail "stderr does not name schedule.txt:$line"
sleep 0.5
shot "$WORK/overlap.png"
text=$(region_diff "$WORK/field.png" "$WORK/overlap.png" "$(bottom)")
[ "$text" -gt 200 ] || fail "no error text for the schedule ($text pixels)"
pass "an overlapping row: schedule.txt:$line on stderr, $text pixels of error text"
sed -i 's/^\(scene  sphere  *16  *\)160/\1150/' "$SCHEDULE"
wait_for_log "the schedule has no mistake again" 5 || fail "the mended schedule was not taken"
key Prior
print_beat > /dev/null || exit 1
b5=$(print_beat) || exit 1
close "$b5" 150 || fail "with the field from beat 150, Page Up at 160 went to $b5"
pass "the field moved to beat 150: Page Up lands there"

# r: every program built again from the folder (the manifest's lines but
# the shared vertex stage's).
programs=$(( $(grep -cE '^[a-z_]+ ' "$COPY/programs.txt") - 1 ))
rebuilt=$(count "' rebuilt in")
key r
wait_for_more "' rebuilt in" 120 $((rebuilt + programs - 1)) || fail "r did not rebuild every program"
pass "r rebuilds the $programs programs"
key Escape
wait_for_exit 60 || fail "Escape did not end the show"

# The longest seek: from the seed to the post chain's last bar.
start_demo --live "$COPY" --no-wait --from 508
wait_for_window || fail "no window"
wait_for_log "caught up" 120 || fail "no catch-up of the post chain at beat 508"
key space
seek=$(sed -n 's/.*caught up to beat \([0-9.]*\): \([0-9]*\) generations in \([0-9]*\) ms, over \([0-9]*\) frames/\1 \2 \3 \4/p' "$WORK/err" | tail -n 1)
read -r beat steps ms frames <<< "$seek"
# A frame spends about 0.2 s on the way to a landing: a catch-up of over a
# second was drawn over several frames, not in one frozen one.
[ -n "$frames" ] || fail "the catch-up line does not say its frames"
[ "$ms" -le 1000 ] || [ "$frames" -ge 2 ] || fail "a catch-up of $ms ms drew $frames frame(s)"
key Left
wait_for_more "caught up" 30 1 || fail "no catch-up after Left at beat 508"
back=$(grep 'caught up' "$WORK/err" | tail -n 1 | sed 's/.*: //')
# Paused there, without the display: the renderer's frame at that beat.
key o
print_beat > /dev/null || exit 1
b6=$(print_beat) || exit 1
sleep 0.5
shot "$WORK/chain.png"
"$RENDER" frame --beat "$b6" --out "$WORK/rendered.png" > /dev/null 2>&1 \
    || fail "krelan-render frame --beat $b6 failed"
convert "$WORK/chain.png" -alpha off "$WORK/chain_rgb.png"
peak=$(peak_difference "$WORK/chain_rgb.png" "$WORK/rendered.png")
[ "$peak" -le 2 ] || fail "at beat $b6 the window differs from krelan-render frame by up to $peak"
pass "a seek into the post chain (beat $b6) shows the renderer's frame (peak difference $peak)"

# A new seed saved in life.glsl: the automaton grows again from it, not from
# what was kept of the old one, so the frame leaves the renderer's; the old
# seed saved back, the renderer's frame again.
cp "$COPY/life.glsl" "$WORK/life.glsl"
for step in new old; do
    caught=$(count "caught up")
    if [ "$step" = new ]; then
        sed -i 's/cell(r, 2.0, 7.0) ||/cell(r, 1.0, 7.0) || cell(r, 2.0, 7.0) ||/' "$COPY/life.glsl"
    else
        cp "$WORK/life.glsl" "$COPY/life.glsl"
    fi
    wait_for_more "caught up" 60 "$caught" || fail "no catch-up after the $step seed was saved"
    sleep 0.5
    shot "$WORK/seed.png"
    convert "$WORK/seed.png" -alpha off "$WORK/seed_rgb.png"
    peak=$(peak_difference "$WORK/seed_rgb.png" "$WORK/rendered.png")
    if [ "$step" = new ]; then
        [ "$peak" -gt 50 ] || fail "with a new seed the frame at $b6 is still the renderer's (peak difference $peak)"
    else
        [ "$peak" -le 2 ] || fail "with the old seed back the frame at $b6 differs from the renderer's by up to $peak"
    fi
done
pass "a new seed grows the automaton again (the frame leaves the renderer's); the old one brings it back"
key Escape
wait_for_exit 60 || fail "Escape did not end the show"

echo "measure: saved to shown, sphere: $sphere_ms ms"
echo "measure: saved to shown, field: $field_ms ms"
echo "measure: longest seek (the seed to beat $beat): $steps generations in $ms ms, over $frames frames"
echo "measure: a bar back from there (from a checkpoint): $back"

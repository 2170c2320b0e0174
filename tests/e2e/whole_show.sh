#!/usr/bin/env bash
# The whole show, start to end, as an audience sees it: it ends by itself
# after beat 528 with status 0, raises no GL error, keeps its memory flat
# through the scenes and the post chain, and the music plays to the end.
source "$(dirname "$0")/lib.bash"
need_display "$@"

start_demo
wait_for_log "resources ready" 120 || fail "start-up did not finish"
music_start=$(date +%s)
rss_scenes=
rss_recap=
rss_chain=
rss_late=
while kill -0 "$DEMO_PID" 2>/dev/null; do
    elapsed=$(( $(date +%s) - music_start ))
    # Anonymous resident memory: the heap, the stacks, the driver's buffers.
    # The file-backed part grows as the mixer reads the embedded track (its
    # pages of the executable are mapped in as they are first read, about
    # 24 KB/s and never more than the track's size); that is no leak.
    rss=$(awk '/^RssAnon/ {print $2}' "/proc/$DEMO_PID/status" 2>/dev/null)
    # Beat 45 (the sphere) is about 21 s after the music starts, beat 440
    # (the recap) about 203 s; beat 450 about 208 s, beat 525 about 243 s.
    [ "$elapsed" -ge 21 ] && [ -z "$rss_scenes" ] && rss_scenes=$rss
    [ "$elapsed" -le 203 ] && [ -n "$rss" ] && rss_recap=$rss
    [ "$elapsed" -ge 212 ] && [ -z "$rss_chain" ] && rss_chain=$rss
    [ "$elapsed" -le 240 ] && [ -n "$rss" ] && rss_late=$rss
    peak=$(awk '/^VmHWM/ {print $2}' "/proc/$DEMO_PID/status" 2>/dev/null || echo "$peak")
    [ "$elapsed" -gt 330 ] && fail "the show did not end by itself"
    sleep 1
done
wait "$DEMO_PID"; STATUS=$?; DEMO_PID=
[ "$STATUS" = 0 ] || fail "exit status $STATUS"
grep -q "GL_" "$WORK/err" && fail "GL error: $(grep GL_ "$WORK/err")"
frames=$(grep "drew" "$WORK/err")
end_beat=$(sed -n 's/.*ended at beat \([0-9.-]*\).*/\1/p' "$WORK/err")
awk -v b="$end_beat" 'BEGIN { exit !(b > 528 && b < 531) }' || fail "ended at beat $end_beat"
pass "the show ended by itself at beat $end_beat with status 0 and no GL error: $frames"

# The scenes from the sphere to the recap, and the post chain: the anonymous
# memory stays within 4 MiB (it was flat to the KiB in a 50 s sample); a leak
# per frame or per scene change would be far more.
[ -n "$rss_scenes" ] || fail "no memory sample during the scenes"
growth=$(( rss_recap - rss_scenes ))
[ "$growth" -lt 4096 ] || fail "anonymous memory grew by $growth KiB through the scenes"
pass "anonymous memory flat through the scenes ($rss_scenes -> $rss_recap KiB)"

[ -n "$rss_chain" ] || fail "no memory sample during the post chain"
growth=$(( rss_late - rss_chain ))
[ "$growth" -lt 4096 ] || fail "anonymous memory grew by $growth KiB during the post chain"
pass "anonymous memory flat through the post chain ($rss_chain -> $rss_late KiB, peak resident ${peak:-?} KiB)"

# 48 kHz, 16-bit stereo: 192,000 bytes a second. The show ends about 244 s
# after the music starts; beats 495-505 lie 14 to 9 s before that end.
bytes=$(stat -c %s "$WORK/audio.raw")
[ "$bytes" -gt $(( 192000 * 244 )) ] || fail "audio file only $bytes bytes"
peak_late=$(tail -c $(( 192000 * 14 )) "$WORK/audio.raw" | head -c $(( 192000 * 5 )) |
    od -An -v -td2 -w2 | awk '{ v = $1 < 0 ? -$1 : $1; if (v > m) m = v } END { print m + 0 }')
[ "$peak_late" -gt 1000 ] || fail "no music near the end (peak $peak_late)"
pass "the music played to the end ($bytes bytes, peak $peak_late near the end)"

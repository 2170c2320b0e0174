#!/usr/bin/env bash
# Picture and sound together, through a real sound server: a private
# PulseAudio daemon with a null sink, whose output is recorded as it arrives.
# Each kick the picture's beat reaches is found in the recording by matching
# the track's own decoded kick (kick_offsets), so the test measures what a
# listener would see and hear:
#   - in steady play the picture meets the kicks: median within 10 ms (the
#     sink's own latency, which the recording does not see, added), spread
#     under 3 ms, drift under 1 ms a minute over 60 s;
#   - after skips (the music moves with the picture) and after the show is
#     stopped for 2 s (SIGSTOP, SIGCONT) it is back within 10 ms of the music
#     within a second (the median, one kick of a busy moment allowed out);
#   - after the server is killed and a new one starts on the same socket the
#     music is back within 3 s, one copy of it, and within 10 ms again.
# Usage: sound_server.sh DEMO RENDER (krelan-render, for the decoded track).
source "$(dirname "$0")/lib.bash"
need_display "$@"
RENDER=$2
KICKS=${KRELAN_KICK_OFFSETS:?the kick_offsets tool}
STAMPS=${KRELAN_MONITOR_STAMPS:?the monitor_stamps tool}
for tool in pulseaudio parec pactl; do
    command -v "$tool" > /dev/null || fail "$tool is missing (tools/install_deps.sh installs it)"
done

SERVER_PID= PAREC_PID= STAMPS_PID=
stop_sound() {
    for pid in $PAREC_PID $STAMPS_PID $SERVER_PID; do kill -9 "$pid" 2> /dev/null; done
}
trap 'stop_sound; cleanup' EXIT

# The server's files, and every client pointed at it.
export HOME=$WORK XDG_RUNTIME_DIR=$WORK PULSE_SERVER=unix:$WORK/native
unset PULSE_SINK PULSE_SOURCE

start_server() {
    pulseaudio --daemonize=no --exit-idle-time=-1 --system=false -n \
        --load="module-null-sink sink_name=null rate=48000 channels=2" \
        --load="module-native-protocol-unix auth-anonymous=1 socket=$WORK/native" \
        >> "$WORK/server.log" 2>&1 &
    SERVER_PID=$!
    for _ in $(seq 1 100); do
        pactl info > /dev/null 2>&1 && return 0
        sleep 0.1
    done
    fail "the PulseAudio daemon did not start: $(tail -n 5 "$WORK/server.log")"
}

# Records the sink's monitor into $WORK/$1.raw with the reads in $WORK/$1.reads.
# The recorder runs in real time where it may (as root): a measuring tool
# that a busy machine starves would time the kicks late.
REALTIME=()
chrt -f 10 true 2> /dev/null && REALTIME=(chrt -f 10)
start_recorder() {
    rm -f "$WORK/pipe"
    mkfifo "$WORK/pipe"
    "${REALTIME[@]}" "$STAMPS" "$WORK/$1.raw" "$WORK/$1.reads" < "$WORK/pipe" &
    STAMPS_PID=$!
    "${REALTIME[@]}" parec -d null.monitor --latency-msec=5 --raw --format=s16le --rate=48000 \
        --channels=2 > "$WORK/pipe" 2>> "$WORK/server.log" &
    PAREC_PID=$!
}

stop_recorder() {
    kill "$PAREC_PID" 2> /dev/null
    wait "$PAREC_PID" "$STAMPS_PID" 2> /dev/null
    PAREC_PID= STAMPS_PID=
}

# The null sink's latency, which its monitor does not see, in ms: the mean of
# a few readings of what the server reports.
SINK_READINGS=()
read_sink_latency() {
    SINK_READINGS+=("$(pactl list sinks | awk '/^[[:space:]]*Latency:/ { print $2; exit }')")
}
sink_latency_ms() {
    printf '%s\n' "${SINK_READINGS[@]}" | awk '{ s += $1; n++ } END { printf "%.2f", n ? s / n / 1000 : 0 }'
}

# kick_offsets on recording $1 with the remaining arguments; sets RESULT.
measure() {
    local name=$1
    shift
    RESULT=$("$KICKS" "$WORK/track.wav" "$WORK/$name.raw" "$WORK/$name.reads" "$WORK/beats" \
        --sink-latency "$(sink_latency_ms)" "$@") \
        || fail "no kick found ($RESULT)"
    echo "  $name: $RESULT (sink latency $(sink_latency_ms) ms, load $(cut -d' ' -f1-3 /proc/loadavg))"
}
value() { sed -n "s/.*\b$1=\([-0-9.]*\).*/\1/p" <<< "$RESULT"; }
within() { awk -v v="$(value "$1")" -v lo="$2" -v hi="$3" 'BEGIN { exit !(v >= lo && v <= hi) }'; }
# The kicks of a short window meet the picture: their median within 10 ms,
# and no more than one (a late callback, a recorder read late on a busy
# machine) further than 10 ms from it.
together() { within median -10 10 && within outliers 0 1; }

SDL_VIDEODRIVER=offscreen "$RENDER" audio --out "$WORK/track.wav" > /dev/null 2>&1 \
    || fail "krelan-render could not decode the track"
start_server
start_recorder steady
# Half a second recorded: the server's sink runs at the recorder's latency.
for _ in $(seq 1 100); do
    [ "$(stat -c %s "$WORK/steady.raw" 2> /dev/null || echo 0)" -gt 96000 ] && break
    sleep 0.1
done
# One core for the rasteriser, so that the server and the recorder keep up
# on a two-core machine; the sphere (beat 20 on) still takes it whole.
env --default-signal=INT SDL_AUDIODRIVER=pulseaudio LP_NUM_THREADS=1 KRELAN_BEAT_LOG="$WORK/beats" \
    "$DEMO" --no-wait --from 20 > "$WORK/out" 2> "$WORK/err" &
DEMO_PID=$!
wait_for_window || fail "no window"
wait_for_log "resources ready" 120 || fail "start-up did not finish"
for _ in $(seq 1 13); do
    sleep 5
    read_sink_latency
done
measure steady --from 3 --to 63
within median -10 10 || fail "the picture is $(value median) ms from the kicks (median)"
within spread 0 3 || fail "the offsets spread over $(value spread) ms"
within drift -1 1 || fail "the picture drifts $(value drift) ms a minute from the kicks"
awk -v s="$(value span)" 'BEGIN { exit !(s >= 55) }' || fail "only $(value span) s of kicks measured"
# A late callback or a dropout on a busy machine moves a kick or two.
awk -v o="$(value outliers)" -v k="$(value kicks)" 'BEGIN { exit !(o <= 0.05 * k) }' \
    || fail "$(value outliers) of $(value kicks) kicks lie more than 10 ms from the median"
pass "steady play: median $(value median) ms, spread $(value spread) ms, drift $(value drift) ms/min over $(value span) s, $(value outliers) outliers"

# On into the particle rings (beats 224 to 288), whose frames a software
# rasteriser draws quickly, with the skip key: the music moves with it.
beat=$(print_beat) || exit 1
skips=$(awk -v b="$beat" 'BEGIN { n = 0; while (b + 21.67 * n < 226) n++; print n }')
for _ in $(seq 1 "$skips"); do key s; done
sleep 3

# Stopped for two seconds and continued.
kill -STOP "$DEMO_PID"
sleep 2
kill -CONT "$DEMO_PID"
continued=$("$STAMPS" --now)
sleep 7
read_sink_latency
measure steady --after "$continued" --from 1 --to 6
together \
    || fail "after SIGSTOP and SIGCONT the kicks lie $(value low) to $(value high) ms from the picture"
pass "stopped for 2 s: from 1 s after SIGCONT on median $(value median) ms, within $(value low) to $(value high) ms, $(value outliers) outliers"
stop_recorder

# The server goes away and a new one starts on the same socket.
kill -9 "$SERVER_PID"
wait "$SERVER_PID" 2> /dev/null
SINK_READINGS=()
start_server
restarted=$("$STAMPS" --now)
start_recorder back
sleep 10
read_sink_latency
kill -0 "$DEMO_PID" 2> /dev/null || fail "the show ended when the server went away"
inputs=$(pactl list short sink-inputs | wc -l)
[ "$inputs" = 1 ] || fail "the new server plays $inputs streams"
measure back --after "$restarted" --from 0 --to 10
awk -v s="$(value sound)" 'BEGIN { exit !(s >= 0 && s <= 3) }' \
    || fail "the music came back $(value sound) s after the new server started"
from=$(awk -v s="$(value sound)" 'BEGIN { print s + 1 }')
measure back --after "$restarted" --from "$from" --to 10
together \
    || fail "back from the new server, the kicks lie $(value low) to $(value high) ms from the picture"
pass "a new server: the music back after $(value sound) s, one stream, median $(value median) ms, within $(value low) to $(value high) ms, $(value outliers) outliers"
stop_recorder

key Escape
wait_for_exit 30 || fail "Escape did not end the show"
[ "$STATUS" = 0 ] || fail "exit status $STATUS"
grep -q "went away" "$WORK/err" || fail "the show did not notice the server going away"
pass "the show ends with status 0"

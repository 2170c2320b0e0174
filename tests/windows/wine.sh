#!/usr/bin/env bash
# The Windows build (tools/build_windows.sh) under Wine and Xvfb.
# krelan-demo.exe:
#   --version and --help print and give status 0, a bad option gives status 2;
#   started without standard streams, as from Explorer, it writes
#   krelan-demo.log beside itself and shows a failure in a message box;
#   with Wine's audio drivers off there is no audio device: status 255;
#   the show from beat 100 plays for 5 s through Wine's PulseAudio driver
#   into a private null sink: the sphere is drawn, `p` answers through a
#   pipe, the music is heard, and Escape ends it with status 0.
# krelan-render.exe:
#   `frame --beat 100` draws the Linux build's frame and `audio` mixes its
#   soundtrack, byte for byte; an existing output is replaced, a folder is
#   refused and no temporary file stays behind; `show --video` runs its
#   helper programs (a stand-in for ffmpeg and ffprobe, built here with
#   mingw-w64) through pipes, found on PATH past folders of their names,
#   with a video whose name is not ASCII, and says so when ffmpeg is not on
#   PATH; an encoder that hangs is ended with the renderer on Ctrl+C, and
#   stopped by the renderer after 30 s, with no file left either way.
#
#   tests/windows/wine.sh WINDOWS_DIR LINUX_KRELAN_RENDER [VERSION]
#
# WINDOWS_DIR holds krelan-demo.exe and krelan-render.exe (the zip's folder).
# Needs tools/install_windows_deps.sh. The Wine prefix (its first start takes
# a minute) is kept in ${KRELAN_CACHE_DIR:-/var/cache/krelan}/wine-prefix-<wine version>.
source "$(dirname "$0")/../e2e/lib.bash"
need_display "$@"
TESTS=$(cd "$(dirname "$0")" && pwd)
DIR=$(realpath "$1")
EXE="$DIR/krelan-demo.exe"
RENDER="$DIR/krelan-render.exe"
LINUX_RENDER=$(realpath "$2")
VERSION=${3:-}
for file in "$EXE" "$RENDER" "$LINUX_RENDER"; do [ -f "$file" ] || fail "no $file"; done
for tool in wine pulseaudio parec sox x86_64-w64-mingw32-gcc-posix; do
    command -v $tool > /dev/null || fail "no $tool: run tools/install_windows_deps.sh"
done

# No Mono or Gecko installers (their prompts would wait for ever); messages
# from Wine itself off.
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
cache=${KRELAN_CACHE_DIR:-/var/cache/krelan}
export WINEPREFIX="$cache/wine-prefix-$(wine --version 2> /dev/null | sed 's/[^a-zA-Z0-9.]\+/-/g; s/-$//')"
mkdir -p "$cache"
(
    flock 9
    if [ ! -f "$WINEPREFIX/.krelan-ready" ]; then
        rm -rf "$WINEPREFIX"
        echo "Creating the Wine prefix $WINEPREFIX"
        wineboot --init > /dev/null 2>&1 && wineserver -w || exit 1
        touch "$WINEPREFIX/.krelan-ready"
    fi
) 9> "$cache/wine-prefix.lock" || fail "wineboot failed"

# Runs the executable with the given streams; sets STATUS.
run_exe() { timeout 120 wine "$EXE" "$@" > "$WORK/out" 2> "$WORK/err"; STATUS=$?; }

run_exe --version
[ "$STATUS" = 0 ] || fail "--version: status $STATUS"
grep -Eq "^krelan-demo ${VERSION:-[0-9.]+}\s*$" "$WORK/out" || fail "--version printed '$(cat "$WORK/out")'"
pass "--version prints '$(tr -d '\r' < "$WORK/out")', status 0"

run_exe --help
[ "$STATUS" = 0 ] || fail "--help: status $STATUS"
head -n 1 "$WORK/out" | grep -q "^usage: krelan-demo" || fail "--help printed no usage"
pass "--help prints the usage, status 0"

run_exe --window 10x10
[ "$STATUS" = 2 ] || fail "bad option: status $STATUS, expected 2"
grep -q "^krelan-demo: --window" "$WORK/err" && grep -q "^usage:" "$WORK/err" ||
    fail "bad option: no reason and usage on stderr"
[ -s "$WORK/out" ] && fail "bad option: something on stdout"
pass "a bad option gives the reason and the usage on stderr, status 2"

# As from Explorer: `start` gives the program no standard streams.
mkdir "$WORK/explorer"
cp "$EXE" "$WORK/explorer/krelan-demo.exe"
log="$WORK/explorer/krelan-demo.log"
timeout 120 wine start /wait /unix "$WORK/explorer/krelan-demo.exe" --version
STATUS=$?
[ "$STATUS" = 0 ] || fail "without streams, --version: status $STATUS"
grep -q "^krelan-demo " "$log" || fail "without streams, --version wrote no log beside the executable"
pass "without streams, --version goes to krelan-demo.log beside the executable"

wine start /wait /unix "$WORK/explorer/krelan-demo.exe" --window 10x10 &
DEMO_PID=$!
for _ in $(seq 1 300); do
    WIN=$(window_id)
    [ -n "$WIN" ] && break
    kill -0 "$DEMO_PID" 2> /dev/null || break
    sleep 0.1
done
[ -n "$WIN" ] || fail "without streams, a bad option showed no message box"
key Return
wait_for_exit 30 || fail "without streams: still running after the message box was closed"
[ "$STATUS" = 2 ] || fail "without streams, a bad option: status $STATUS, expected 2"
grep -q "^krelan-demo: --window" "$log" || fail "without streams, the reason is not in the log"
pass "without streams, a bad option is shown in a message box and logged, status 2"

# Wine's audio drivers off: Windows without any audio device.
WINEDLLOVERRIDES="$WINEDLLOVERRIDES;winepulse.drv,winealsa.drv=d" run_exe --no-wait
[ "$STATUS" = 255 ] || fail "no audio device: status $STATUS, expected -1 (255)"
grep -q "^krelan: cannot open the audio device: " "$WORK/err" || fail "no audio device: no message"
pass "no audio device: status -1 and '$(head -n 1 "$WORK/err" | tr -d '\r')'"

# The show, its sound through Wine's PulseAudio driver into a private null
# sink whose monitor is recorded.
pulse="$WORK/pulse"
mkdir -p "$pulse"
HOME="$pulse" XDG_RUNTIME_DIR="$pulse" pulseaudio --daemonize=no --exit-idle-time=-1 \
    --system=false -n --load="module-null-sink sink_name=null rate=48000 channels=2" \
    --load="module-native-protocol-unix auth-anonymous=1 socket=$pulse/native" \
    > "$pulse/log" 2>&1 &
PULSE_PID=$!
export PULSE_SERVER="unix:$pulse/native"
stop_pulse() {
    [ -n "${RECORD_PID:-}" ] && kill "$RECORD_PID" 2> /dev/null
    kill "$PULSE_PID" 2> /dev/null
    cleanup
}
trap stop_pulse EXIT
for _ in $(seq 1 50); do [ -S "$pulse/native" ] && break; sleep 0.1; done
[ -S "$pulse/native" ] || fail "the private PulseAudio did not start: $(cat "$pulse/log")"
parec -d null.monitor --raw --format=s16le --rate=48000 --channels=2 > "$WORK/heard.raw" &
RECORD_PID=$!

# Standard output is a pipe, which `p` must not block on.
wine "$EXE" --from 100 --no-wait > >(cat > "$WORK/out") 2> "$WORK/err" &
DEMO_PID=$!
for _ in $(seq 1 300); do
    WIN=$(window_id)
    [ -n "$WIN" ] && break
    sleep 0.1
done
[ -n "$WIN" ] || fail "the show opened no window"
wait_for_log "resources ready" 60 || fail "the show did not start"
sleep 5
screenshot "$WORK/show.png"
beat=$(print_beat)
key Escape
wait_for_exit 60 || fail "Escape did not end the show within 60 s"
[ "$STATUS" = 0 ] || fail "the show: status $STATUS after Escape"
kill "$RECORD_PID"
RECORD_PID=
frames=$(sed -n 's/^krelan: drew \([0-9]*\) frames.*/\1/p' "$WORK/err")
[ "${frames:-0}" -ge 2 ] || fail "the show drew ${frames:-no} frames"
awk -v b="$beat" 'BEGIN { exit !(b >= 100 && b < 140) }' || fail "p printed beat $beat"
centre=$(region_peak "$WORK/show.png" 200x200+860+440)
[ "$centre" -ge 128 ] || fail "no sphere in the middle of the screen (peak $centre)"
peak=$(sox -t raw -r 48000 -e signed -b 16 -c 2 "$WORK/heard.raw" -n stat 2>&1 |
       awk '/^Maximum amplitude/ {print int($3 * 1000)}')
[ "${peak:-0}" -ge 50 ] || fail "the null sink heard nothing (peak ${peak:-none}/1000)"
pass "the show ran from beat 100 ($frames frames, p printed beat $beat, peak level" \
     "$peak/1000 heard) and Escape ended it with status 0"

# krelan-render.exe: the same frame and the same soundtrack as the Linux
# build (both draw with Mesa's llvmpipe and decode with mpg123).
cd "$WORK"
run_render() { timeout 300 wine "$RENDER" "$@" > "$WORK/out" 2> "$WORK/err"; STATUS=$?; }
run_render frame --beat 100 --out win.png
[ "$STATUS" = 0 ] || fail "krelan-render.exe frame: status $STATUS"
SDL_VIDEODRIVER=offscreen "$LINUX_RENDER" frame --beat 100 --out linux.png ||
    fail "the Linux krelan-render failed"
differing=$(pixels_differing win.png linux.png)
[ "$differing" = 0 ] ||
    fail "frame at beat 100: $differing pixels differ from the Linux build's (peak $(peak_difference win.png linux.png))"
pass "krelan-render.exe frame --beat 100 draws the Linux build's frame, pixel for pixel"

run_render audio --out win.wav
[ "$STATUS" = 0 ] || fail "krelan-render.exe audio: status $STATUS"
SDL_VIDEODRIVER=offscreen "$LINUX_RENDER" audio --out linux.wav || fail "the Linux krelan-render failed"
cmp -s win.wav linux.wav || fail "the soundtrack differs from the Linux build's"
pass "krelan-render.exe audio mixes the Linux build's soundtrack, byte for byte"

# Outputs appear whole or not at all, with Windows' calls.
echo old > kept.png
run_render frame --beat 100 --out kept.png
[ "$STATUS" = 0 ] && cmp -s kept.png linux.png || fail "an existing output was not replaced"
mkdir folder.png
run_render frame --beat 100 --out folder.png
[ "$STATUS" = 1 ] && grep -q "it is a directory" "$WORK/err" || fail "a folder as output: status $STATUS"
leftovers=$(find "$WORK" -name '.krelan-*')
[ -z "$leftovers" ] || fail "temporary files left behind: $leftovers"
pass "an existing output is replaced, a folder is refused, no temporary file stays"

# The helper programs: a stand-in for ffmpeg that stores the frames it reads
# and one for ffprobe that counts them, found on PATH as .exe files. Ahead of
# them on PATH, folders of those names, which the search passes over. The
# video's name is not ASCII and has a space: the arguments go from UTF-8 to
# Windows' wide text and back, and the helpers get it as an absolute path.
mkdir -p bin decoy/ffmpeg.exe decoy/ffprobe.exe
x86_64-w64-mingw32-gcc-posix -O2 -municode -o bin/ffmpeg.exe "$TESTS/fake_encoder.c" ||
    fail "cannot build the stand-in encoder"
cp bin/ffmpeg.exe bin/ffprobe.exe
run_render show --video none.mp4 --from 100 --to 101 --fps 5
[ "$STATUS" = 1 ] && grep -q "ffmpeg is not on PATH" "$WORK/err" ||
    fail "show --video without ffmpeg: status $STATUS"
helpers_path="$(winepath -w "$WORK/decoy" 2> /dev/null);$(winepath -w "$WORK/bin" 2> /dev/null)"
video="vidéo ü.mp4"
LC_ALL=C.UTF-8 WINEPATH="$helpers_path" run_render show --video "$video" --from 100 --to 101 --fps 5
[ "$STATUS" = 0 ] || fail "show --video through the stand-in: status $STATUS"
[ -f "$video" ] || fail "show --video wrote no '$video': $(ls)"
frames=$(( $(stat -c %s "$video") / (1920 * 1080 * 3) ))
[ "$frames" -ge 2 ] && [ $(( $(stat -c %s "$video") % (1920 * 1080 * 3) )) = 0 ] ||
    fail "the stand-in encoder received $(stat -c %s "$video") bytes"
pass "show --video hands $frames frames to ffmpeg.exe through a pipe and checks them with" \
     "ffprobe.exe, found on PATH past folders of their names, into '$video'; without" \
     "ffmpeg on PATH it says so"

# An encoder that hangs, taking no frame: Ctrl+C (SIGINT, which Wine hands to
# the console handler) ends the renderer and the encoder at once; left alone,
# the renderer stops it after 30 s. Neither leaves a file behind, beside the
# video or in Windows' temporary folder.
mkdir hang
cp bin/ffmpeg.exe bin/ffprobe.exe hang/
temp_dir=$(winepath -u "$(wine cmd /c echo %TEMP% 2> /dev/null | tr -d '\r')" 2> /dev/null)
[ -d "$temp_dir" ] || fail "cannot find Wine's temporary folder ($temp_dir)"
hung_encoder() {  # the stand-in's unix processes that still run
    ps -eo stat=,args= > "$WORK/ps"  # first, so that grep does not find itself
    awk '$1 !~ /^Z/' "$WORK/ps" | grep -F "$(basename "$WORK")\\hang\\ffmpeg.exe"
}
start_hung() {
    rm -f encoder-started
    touch "$WORK/since"
    KRELAN_FAKE_HANG=1 WINEPATH="$(winepath -w "$WORK/hang" 2> /dev/null)" \
        wine "$RENDER" show --video hung.mp4 --from 100 --to 101 --fps 5 > "$WORK/out" \
        2> "$WORK/err" &
    DEMO_PID=$!
    for _ in $(seq 1 1200); do [ -f encoder-started ] && return 0; sleep 0.1; done
    fail "the hanging encoder never started"
}
left_behind() {
    find "$WORK" -name '.krelan-*' -o -name 'hung.mp4'
    find "$temp_dir" -maxdepth 1 -name 'krelan-*' -newer "$WORK/since"
}

start_hung
sleep 1
kill -INT "$DEMO_PID"
wait_for_exit 30 || fail "Ctrl+C did not end the renderer within 30 s"
# STATUS_CONTROL_C_EXIT (0xC000013A), of which a Unix status keeps 0x3A.
[ "$STATUS" = 58 ] || fail "Ctrl+C: status $STATUS, expected 58 (0xC000013A)"
[ -z "$(hung_encoder)" ] || fail "the encoder outlived the renderer: $(hung_encoder)"
[ -z "$(left_behind)" ] || fail "Ctrl+C left files behind: $(left_behind)"
grep -q "stopped\|failed" "$WORK/err" && fail "Ctrl+C was reported as the encoder's failure"
pass "Ctrl+C while the encoder hangs ends both (status 0xC000013A), leaving no file"

start_hung
wait_for_exit 120 || fail "the renderer did not give up on the hanging encoder within 120 s"
[ "$STATUS" = 1 ] || fail "a hanging encoder: status $STATUS, expected 1"
grep -q "ffmpeg.exe took no frame data for 30 s" "$WORK/err" ||
    fail "a hanging encoder: no message naming it"
[ -z "$(hung_encoder)" ] || fail "the encoder outlived the renderer: $(hung_encoder)"
[ -z "$(left_behind)" ] || fail "the timeout left files behind: $(left_behind)"
pass "an encoder that takes no frame for 30 s is stopped, status 1, no file left"

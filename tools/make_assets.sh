#!/bin/sh
# Regenerates the show's music and cards:
#   assets/music.mp3    rendered by krelan-synth, converted to 48 kHz with
#                       sox, encoded with lame
#   assets/warning.png  drawn by krelan-cards
#   assets/end.png      drawn by krelan-cards
#   assets/icons/       the application icon at each size, drawn by krelan-cards
#   docs/soundtrack.png spectrogram of the track with the section starts marked
#
# Builds the two tools with the project's own CMake (tests off; the card
# drawer draws through the show's host library and shader sources) unless
# KRELAN_SYNTH and KRELAN_CARDS point at already built binaries. Needs what
# the project needs to build (cmake, a C++17 compiler, SDL2, GLEW, libpng,
# Mesa for the offscreen GL context), lame, sox; libebur128 for the mix
# report; ImageMagick for the spectrogram. Configuring the project
# reads the committed assets, so they must be present (they are replaced).
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
build=${KRELAN_ASSET_BUILD:-$root/build-assets}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

if [ -z "${KRELAN_SYNTH:-}" ] || [ -z "${KRELAN_CARDS:-}" ] || [ -z "${KRELAN_MIX_REPORT:-}" ]; then
    cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF \
        -DKRELAN_BUILD_TOOLS=ON >/dev/null
    cmake --build "$build" -j2 --target krelan-synth krelan-cards krelan-mix-report
    KRELAN_SYNTH=${KRELAN_SYNTH:-$build/tools/synth/krelan-synth}
    KRELAN_MIX_REPORT=${KRELAN_MIX_REPORT:-$build/tools/synth/krelan-mix-report}
    KRELAN_CARDS=${KRELAN_CARDS:-$build/tools/cards/krelan-cards}
fi

echo "rendering the track"
"$KRELAN_SYNTH" --out "$work/render.wav"

echo "converting to 48 kHz"
# The show's mixer and the web player run at 48 kHz: a track at that rate is
# played as it is decoded, so SDL and the browser measure the same samples
# (neither resamples it with filters of its own). The synthesizer stays at
# its 44.1 kHz, where its delay lines, reverb and filters are tuned, so the
# music itself does not change: sox's very high quality linear-phase
# resampler passes everything below 21.8 kHz unchanged, and without dither
# the conversion gives the same samples on every run.
sox -D "$work/render.wav" "$work/music.wav" rate -v -s 48000

echo "encoding"
# Constant 192 kbit/s joint stereo with LAME's info frame (gapless decoding),
# and an ID3v2.3 tag only, in Latin-1.
lame --quiet --cbr -b 192 -m j -q 2 --id3v2-only --id3v2-latin1 \
    --tt "Krelan" \
    --ta "Tarnwave" \
    --ty 2026 \
    --tg "Techno" \
    --tc "Original soundtrack of the Krelan demo, every sound synthesized" \
    --tv "WXXX=Mirrodax=https://mirrodax.example/krelan" \
    --tv "TENC=krelan-synth and LAME" \
    --tv "TBPM=130" \
    "$work/music.wav" "$root/assets/music.mp3"

echo "drawing the cards and the icons"
# Offscreen GL (no display needed) unless SDL_VIDEODRIVER names a driver.
mkdir -p "$root/assets/icons"
SDL_VIDEODRIVER=${SDL_VIDEODRIVER:-offscreen} "$KRELAN_CARDS" --warning "$root/assets/warning.png" \
    --end "$root/assets/end.png" --icons "$root/assets/icons"

echo "measuring the encoded track"
# The report reads the MP3 as a listener hears it: decoded by LAME, which
# trims the encoder delay and padding so the time line is the render's. It
# measures on the synthesizer's 44.1 kHz time line (its sections, and the
# master bus it renders again), so the decoded track goes back to that rate
# first; the round trip alone moves no figure of the section table (one
# onset in four of the 16-beat blocks).
lame --quiet --decode "$root/assets/music.mp3" "$work/decoded48.wav"
sox -D "$work/decoded48.wav" "$work/decoded.wav" rate -v -s 44100
"$KRELAN_MIX_REPORT" --track "$work/decoded.wav"

if command -v sox >/dev/null 2>&1 && command -v convert >/dev/null 2>&1; then
    echo "drawing the spectrogram"
    width=2000
    height=600
    seconds=250
    sox "$work/music.wav" -n remix - rate 22050 spectrogram -r -x $width -y $height -z 84 -o "$work/spectrogram.png"
    # A line at each section start, labelled with its beat and name, and a
    # time scale below.
    lines=""
    labels=""
    last=-1000
    row=0
    "$KRELAN_SYNTH" --sections > "$work/sections.txt"
    while read -r beat at name; do
        x=$(awk -v t="$at" -v w=$width -v s=$seconds 'BEGIN { printf "%d", t / s * w }')
        # Labels of sections that start close together go on a second row.
        if [ $((x - last)) -lt 70 ] && [ $row -eq 0 ]; then row=1; else row=0; fi
        last=$x
        y=$((height + 4 + row * 40))
        lines="$lines -draw 'line $x,0 $x,$((y + 36))'"
        labels="$labels -annotate +$((x + 4))+$y '$beat' -annotate +$((x + 4))+$((y + 18)) '$name'"
    done < "$work/sections.txt"
    t=0
    while [ $t -le 240 ]; do
        x=$(awk -v t="$t" -v w=$width -v s=$seconds 'BEGIN { printf "%d", t / s * w }')
        labels="$labels -annotate +$((x + 2))+$((height + 86)) '${t} s'"
        t=$((t + 20))
    done
    # ImageMagick's default font is not always installed; Debian's DejaVu is.
    font=""
    dejavu=/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf
    if [ -f "$dejavu" ]; then font="-font $dejavu"; fi
    eval convert "'$work/spectrogram.png'" $font -background black -gravity NorthWest -extent ${width}x$((height + 110)) \
        -fill none -stroke "'rgba(255,255,255,0.7)'" -strokewidth 1 $lines \
        -stroke none -fill white -pointsize 15 $labels \
        -pointsize 18 -annotate +8+8 "'Krelan soundtrack, 0 to 11 kHz; section starts in beats'" \
        -strip -define png:exclude-chunks=date,time -colors 64 "'png8:$root/docs/soundtrack.png'"
fi
echo "done"

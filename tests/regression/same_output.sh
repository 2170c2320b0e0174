#!/usr/bin/env bash
# The show's output stays the same through changes that should not change it:
# krelan-render's frames at moments across every scene, the recap, the post
# chain and both cards, and the soundtrack as the mixer plays it, compared by
# the SHA-256 of their decoded pixels and samples (so a different PNG encoder
# or compression level does not count as a change).
#
#   same_output.sh KRELAN_RENDER [--update]
#
# --update rewrites the expected digests; do that only for a change that is
# meant to change the pictures or the sound, and say so in its commit.
#
# The digests are exact pixels of Mesa's software rasteriser, llvmpipe (forced
# here, so a machine with a GPU draws the same way); another Mesa version may
# round some pixels differently. The first line of expected.sha256 names the
# Mesa the digests were recorded with (Debian's libgl1-mesa-dri version), and
# a mismatch on another says so.
set -euo pipefail
render=$1
expected="$(dirname "$0")/expected.sha256"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export LIBGL_ALWAYS_SOFTWARE=1

mesa_version() { dpkg-query -W -f='${Version}' libgl1-mesa-dri 2>/dev/null || echo unknown; }

# name | krelan-render arguments. Fixed sound levels keep the pictures
# independent of the track; two frames take the level from the soundtrack.
cases=(
  "warning-8|frame --beat 8"
  "sphere-100|frame --beat 100"
  "sphere-140-s20000|frame --beat 140 --sound 20000"
  "field-190|frame --beat 190 --sound 5000"
  "particles-260|frame --beat 260 --sound 8000"
  "lattice-350|frame --beat 350 --sound 0"
  "recap-416|frame --beat 416.5 --sound 12000"
  "recap-417|frame --beat 417.25 --sound 3000"
  "recap-419|frame --beat 419.75 --sound 3000"
  "chain-449|frame --beat 449 --sound 6000"
  "chain-460|frame --beat 460 --fps 10 --sound 6000"
  "end-520|frame --beat 520"
  "life-pass|pass life --beat 460 --steps 3"
)

digest_image() { convert "$1" -depth 8 rgba:- | sha256sum | cut -d' ' -f1; }
# The WAV's samples, without its header.
digest_audio() { tail -c +45 "$1" | sha256sum | cut -d' ' -f1; }

actual="$work/actual.sha256"
for c in "${cases[@]}"; do
  name=${c%%|*}
  read -r -a args <<< "${c#*|}"
  "$render" "${args[@]}" --out "$work/$name.png"
  echo "$(digest_image "$work/$name.png")  $name" >> "$actual"
done
"$render" audio --out "$work/audio.wav"
echo "$(digest_audio "$work/audio.wav")  audio" >> "$actual"

if [ "${2:-}" = --update ]; then
  { echo "# mesa $(mesa_version)"; cat "$actual"; } > "$expected"
  echo "updated $expected"
  exit 0
fi
if ! diff -u <(grep -v '^#' "$expected") "$actual"; then
  echo "FAIL: the output above differs from the expected digests" >&2
  recorded=$(sed -n 's/^# mesa //p' "$expected")
  here=$(mesa_version)
  if [ "$recorded" != "$here" ]; then
    echo "The digests were recorded with Mesa ${recorded:-(not recorded)}; this machine has" \
         "Mesa $here, whose llvmpipe may round some pixels differently." >&2
  fi
  echo "If the change is meant (or the pictures differ only by that), look at the frames" \
       "(krelan-render frame --beat B --out F.png) and re-record the digests with:" >&2
  echo "  $0 $render --update" >&2
  exit 1
fi
echo "same frames and samples: $(wc -l < "$actual") outputs"

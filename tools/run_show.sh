#!/usr/bin/env bash
# Shows Krelan: runs the show where there is a display; elsewhere renders its
# contact sheet offline and says where it is. Builds nothing.
#
#   tools/run_show.sh KRELAN_DEMO KRELAN_RENDER [SHEET.png]
#
# KRELAN_DEMO and KRELAN_RENDER are the built executables (for example
# build/krelan-demo and build/tools/renderer/krelan-render). SHEET.png is
# where the contact sheet goes without a display (default:
# ./krelan-contact-sheet.png).
set -euo pipefail

if [[ $# -lt 2 || $# -gt 3 ]]; then
    echo "usage: $0 KRELAN_DEMO KRELAN_RENDER [SHEET.png]" >&2
    exit 2
fi
demo=$1
render=$2
sheet=${3:-$PWD/krelan-contact-sheet.png}
for exe in "$demo" "$render"; do
    if [[ ! -f $exe || ! -x $exe ]]; then
        echo "run_show.sh: $exe is not an executable" >&2
        exit 1
    fi
done

if [[ -n ${DISPLAY:-} || -n ${WAYLAND_DISPLAY:-} ]]; then
    exec "$demo"
fi

echo "run_show.sh: no display (DISPLAY and WAYLAND_DISPLAY are unset); rendering the contact sheet instead" >&2
"$render" preview --out "$sheet"
echo "run_show.sh: the contact sheet is at $sheet"

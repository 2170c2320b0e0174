#!/usr/bin/env bash
# Validates every assembled program with the Khronos reference front-end
# (glslangValidator): the desktop texts as GLSL 1.10, the browser texts as
# GLSL ES 3.00. Standing in for the vendors' compilers, it fails on the first
# program that does not pass, naming it and showing the validator's log.
#   tools/check_shaders.sh DESKTOP_GENERATED_DIR BROWSER_GENERATED_DIR
set -uo pipefail
desktop="$1" browser="$2"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
failed=0

# check NAME KIND STAGE FILE: KIND is "GLSL 1.10" or "GLSL ES 3.00".
check() {
    if ! log="$(glslangValidator -S "$3" "$4" 2>&1)"; then
        echo "check_shaders: program '$1' is not valid $2:" >&2
        echo "$log" >&2
        failed=1
    fi
}

stage_of() { [ "$1" = vertex ] && echo vert || echo frag; }

count=0
for text in "$desktop"/shader_*.glsl; do
    name="$(basename "$text" .glsl)"; name="${name#shader_}"
    # The desktop texts carry no version line: GLSL 1.10 is the default.
    { printf '#version 110\n'; cat "$text"; } > "$scratch/$name.glsl"
    check "$name" "GLSL 1.10" "$(stage_of "$name")" "$scratch/$name.glsl"
    count=$((count + 1))
done
for text in "$browser"/shader_*.glsl; do
    name="$(basename "$text" .glsl)"; name="${name#shader_}"
    check "$name" "GLSL ES 3.00" "$(stage_of "$name")" "$text"
    count=$((count + 1))
done
# Every program of the manifest, once per folder.
expected=$(( 2 * $(grep -cE '^[a-z_]+ ' "$(dirname "$0")/../shaders/programs.txt") ))
[ "$count" -eq "$expected" ] || { echo "check_shaders: expected $expected texts in both folders, found $count" >&2; exit 1; }
[ "$failed" = 0 ] && echo "check_shaders: $count texts valid (GLSL 1.10 and GLSL ES 3.00)"
exit "$failed"

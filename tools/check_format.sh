#!/usr/bin/env bash
# Checks that every C++ file git tracks is laid out as .clang-format says
# (clang-format 14, Debian 12's), naming the files that are not. Run
# `tools/check_format.sh --fix` to rewrite them in place.
set -euo pipefail
cd "$(dirname "$0")/.."
command -v clang-format > /dev/null || { echo "clang-format is missing (tools/install_deps.sh installs it)" >&2; exit 1; }
mapfile -t files < <(git ls-files '*.cpp' '*.h')
if [ "${1:-}" = --fix ]; then
    clang-format -i "${files[@]}"
    exit 0
fi
unformatted=()
for file in "${files[@]}"; do
    clang-format --dry-run --Werror "$file" 2> /dev/null || unformatted+=("$file")
done
if [ ${#unformatted[@]} -gt 0 ]; then
    echo "not laid out as .clang-format says (tools/check_format.sh --fix rewrites them):" >&2
    printf '  %s\n' "${unformatted[@]}" >&2
    exit 1
fi
echo "${#files[@]} C++ files laid out as .clang-format says"

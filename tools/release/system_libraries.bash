# Sourced by the release scripts: `is_system SONAME` is true for a library
# the machine provides (a pattern of system_libraries.txt, beside this file).
mapfile -t system_patterns < <(grep -v '^#' "$(dirname "${BASH_SOURCE[0]}")/system_libraries.txt" \
    | grep -v '^$')
is_system() {
    local pattern
    for pattern in "${system_patterns[@]}"; do
        # shellcheck disable=SC2053  # the pattern is meant to match
        [[ $1 == $pattern ]] && return 0
    done
    return 1
}

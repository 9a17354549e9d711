#!/usr/bin/env bash
# zunit's bash completion (packaging/zunit.bash-completion) over the zunit just built: commands,
# options of a command, file names after an option that takes a file, nothing after one that
# takes a number.
#   completion_test.sh ZUNIT COMPLETION_FILE
set -uo pipefail
zunit=$1
# shellcheck source=/dev/null
source "$2"

failures=0
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
touch "$scratch/inventory.json" "$scratch/devices.json"

# The completions of a command line whose last word is being completed, one a line, sorted.
complete_words() {
    COMP_WORDS=("$zunit" "$@")
    COMP_CWORD=$#
    COMPREPLY=()
    _zunit
    printf '%s\n' "${COMPREPLY[@]}" | sort
}

expect() {
    local what=$1 expected=$2 actual=$3
    if [ "$expected" != "$actual" ]; then
        echo "FAIL: $what"
        echo "  expected: $(echo "$expected" | tr '\n' ' ')"
        echo "  got:      $(echo "$actual" | tr '\n' ' ')"
        failures=$((failures + 1))
    fi
}

expect_has() {
    local what=$1 actual=$2
    shift 2
    local word
    for word in "$@"; do
        if ! grep -qxF -- "$word" <<<"$actual"; then
            echo "FAIL: $what: no $word in: $(echo "$actual" | tr '\n' ' ')"
            failures=$((failures + 1))
        fi
    done
}

complete -p zunit >/dev/null || { echo "FAIL: no completion registered for zunit"; failures=$((failures + 1)); }

# Every command, and nothing that is not one.
commands=$(complete_words "")
expect_has "commands" "$commands" scan watch connect locate interfaces simulate
for c in $commands; do
    "$zunit" "$c" --help >/dev/null 2>&1 || { echo "FAIL: $c is offered but is no command"; failures=$((failures + 1)); }
done
expect "a prefix" "scan" "$(complete_words sc)"
expect "top-level options" "$(printf '%s\n' --help --help-all --version)" "$(complete_words --)"

# A command's options, wherever the word stands.
scan=$(complete_words scan --)
expect_has "scan options" "$scan" --help --time --json --csv --expect --interval --allow-host-network
expect "only options after --" "" "$(grep -v -- '^--' <<<"$scan")"
expect "option prefix" "--dry-run" "$(complete_words connect 10.0.0.1 --dr)"
expect "after the command's argument" "$(complete_words locate --)" "$(complete_words locate 10.0.0.1 --)"

# Values: file names for a file, nothing for a number; also written as --option=value.
expect "--expect takes a file" "$scratch/inventory.json" "$(complete_words scan --expect "$scratch/inv")"
expect "--expect=FILE" "$scratch/inventory.json" "$(complete_words scan --expect = "$scratch/inv")"
expect "--devices takes a file" "$scratch/devices.json" "$(complete_words simulate --devices "$scratch/dev")"
expect "--log takes a file" "$scratch/devices.json" "$(complete_words simulate --log "$scratch/d")"
expect "--time takes a number" "" "$(complete_words scan --time "")"
expect "--port takes a number, not an option" "" "$(complete_words simulate --port --)"
expect "--interval takes a number, not an option" "" "$(complete_words watch --interval --)"
expect "a flag takes nothing: back to options" "--csv" "$(complete_words scan --json --cs)"

if [ $failures -ne 0 ]; then
    echo "$failures failure(s)"
    exit 1
fi
echo "zunit completion: all cases pass"

#!/usr/bin/env bash
# scripts/debian-sources takes the Debian archive only from the apt configuration it is given: with
# one that names no archive it fetches nothing and says why (exit 1), instead of falling back to an
# address of its own.
set -euo pipefail
script="$1"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
mkdir "$scratch/parts"
: >"$scratch/sources.list"
printf 'Dir::Etc::sourcelist "%s/sources.list";\nDir::Etc::sourceparts "%s/parts";\n' \
    "$scratch" "$scratch" >"$scratch/apt.conf"
status=0
APT_CONFIG="$scratch/apt.conf" bash "$script" "$scratch/out" tinyxml2=9.0.0+dfsg-3.1 \
    2>"$scratch/err" || status=$?
cat "$scratch/err"
if [ "$status" -ne 1 ] || ! grep -q "names no Debian archive" "$scratch/err"; then
    echo "FAIL: expected exit 1 naming the missing archive, got $status" >&2
    exit 1
fi
if [ -n "$(ls -A "$scratch/out" 2>/dev/null)" ]; then
    echo "FAIL: something was fetched" >&2
    exit 1
fi
echo "refused without an archive, nothing fetched"

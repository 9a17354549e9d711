#!/usr/bin/env bash
# scripts/qt-windows uses a Qt cache only when it is complete: its marker (written after the last
# install step) names the cache's key and every file the build needs is there. A cache without
# the marker, with another key's marker or with a file missing counts as missing (and is built
# again, never half-used).
set -euo pipefail
script="$1"
cache="$(mktemp -d)"
trap 'rm -rf "$cache"' EXIT
export ZUNIT_CACHE_DIR="$cache"
prefix="$(bash "$script" --prefix)"
key="${prefix##*-}"
failures=0
expect() {  # expect STATUS WHAT
    local status=0
    bash "$script" --check || status=$?
    if [ "$status" -ne "$1" ]; then
        echo "FAIL: $2: --check exits $status, not $1" >&2
        failures=$((failures + 1))
    fi
}
case "$prefix" in
    "$cache"/qt6-win64-*) ;;
    *) echo "FAIL: the prefix $prefix is not in ZUNIT_CACHE_DIR" >&2; exit 1 ;;
esac
expect 1 "no cache"
for f in lib/cmake/Qt6/qt.toolchain.cmake bin/Qt6Core.dll bin/Qt6Gui.dll bin/Qt6Widgets.dll \
    bin/Qt6Test.dll plugins/platforms/qwindows.dll plugins/platforms/qoffscreen.dll \
    share/licenses/LGPL-3.0-only.txt; do
    mkdir -p "$(dirname "$prefix/$f")"
    echo x >"$prefix/$f"
done
expect 1 "every file but no marker (an interrupted install)"
echo "$key" >"$prefix/.zunit-complete"
expect 0 "a complete cache"
echo 0123456789ab >"$prefix/.zunit-complete"
expect 1 "another key's marker"
echo "$key" >"$prefix/.zunit-complete"
rm "$prefix/bin/Qt6Gui.dll"
expect 1 "a DLL missing"
[ $failures -eq 0 ] && echo "a cache is used only when complete"
exit $failures

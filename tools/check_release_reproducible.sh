#!/bin/sh
# Builds the release of the committed HEAD twice, from two clones in two
# folders of different names, and compares the zips, the DLLs and their
# symbols byte for byte. The working tree's uncommitted changes are not part
# of it. Takes about as long as two release builds.
#
# usage: tools/check_release_reproducible.sh
set -u

root=$(cd "$(dirname "$0")/.." && pwd)
scratch=$(mktemp -d "${TMPDIR:-/tmp}/quillon-reproducible.XXXXXX")
commit=$(git -C "$root" rev-parse HEAD) || { echo "FAIL: $root is not a git checkout"; exit 1; }
for clone in one second-checkout; do
    git clone -q --no-checkout "$root" "$scratch/$clone" && git -C "$scratch/$clone" checkout -q "$commit" ||
        { echo "FAIL: cannot clone $root into $scratch/$clone"; exit 1; }
    "$scratch/$clone/tools/release.sh" >"$scratch/$clone.log" 2>&1 ||
        { cat "$scratch/$clone.log"; echo "FAIL: tools/release.sh failed in $scratch/$clone"; exit 1; }
done

failures=0
compared=0
for file in $(cd "$scratch/one/build/release" && ls *.zip) win32/ml_quillon.dll win32/ml_quillon.dll.debug; do
    compared=$((compared + 1))
    if cmp "$scratch/one/build/release/$file" "$scratch/second-checkout/build/release/$file"; then
        echo "same: $file ($(sha256sum <"$scratch/one/build/release/$file" | cut -c1-16)...)"
    else
        echo "FAIL: $file differs between the two builds"
        failures=$((failures + 1))
    fi
done
[ "$compared" -ge 4 ] || { echo "FAIL: the release made no zips"; failures=$((failures + 1)); }
if [ "$failures" -ne 0 ]; then
    echo "the two builds are kept in $scratch"
    exit 1
fi
rm -rf "$scratch"
echo "OK: commit $(echo "$commit" | cut -c1-12) builds the same release in two folders"

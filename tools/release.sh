#!/bin/sh
# Builds the release of the checked-out commit into build/release/:
#
#   quillon-VERSION-win32.zip          quillon-VERSION/ with ml_quillon.dll (32-bit),
#                                      quillon-VERSION-setup.exe (the installer), web/
#                                      (the web remote, ready to serve), README.txt
#                                      (the guide), SHA256SUMS (of the other files),
#                                      and the repository's licence file if it has one
#   quillon-VERSION-win32-symbols.zip  ml_quillon.dll.debug, the DLL's symbols
#
# VERSION is the build's (project VERSION in CMakeLists.txt), and CHANGELOG.md
# must have its entry. Reproducible: the DLL is built afresh in
# build/release/win32 with SOURCE_DATE_EPOCH set to the commit's time, and the
# zips hold their entries sorted, with that time and fixed modes, without extra
# fields; two runs of one commit, from any two checkout folders, give the same
# bytes. A tree with uncommitted changes to tracked files is refused
# (QUILLON_RELEASE_DIRTY=1 builds it anyway, for trying things out).
#
# Needs the MinGW-w64 i686 compiler, CMake, Ninja, makensis, zip and git
# (tools/install-deps.sh).
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
out=$root/build/release

fail() {
    echo "release: $*" >&2
    exit 1
}

cd "$root"
for tool in git cmake ninja makensis zip sha256sum i686-w64-mingw32-g++; do
    command -v "$tool" >/dev/null 2>&1 || fail "$tool is missing (tools/install-deps.sh installs it)"
done
git rev-parse --verify -q HEAD >/dev/null || fail "$root is not a git checkout with a commit"
if [ "${QUILLON_RELEASE_DIRTY:-0}" != 1 ] && ! git diff --quiet HEAD --; then
    fail "the checkout has uncommitted changes; commit them first (or QUILLON_RELEASE_DIRTY=1)"
fi

SOURCE_DATE_EPOCH=$(git log -1 --format=%ct HEAD)
TZ=UTC
LC_ALL=C
export SOURCE_DATE_EPOCH TZ LC_ALL
umask 022

rm -rf "$out"
mkdir -p "$out"
build=$out/win32
echo "release: building the 32-bit DLL in $build"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" \
    -DCMAKE_BUILD_TYPE=Release >"$out/build.log" 2>&1 || { tail -n 30 "$out/build.log" >&2; fail "configuring failed"; }
cmake --build "$build" --target ml_quillon -- -j2 >>"$out/build.log" 2>&1 ||
    { tail -n 30 "$out/build.log" >&2; fail "building ml_quillon.dll failed"; }
dll=$build/ml_quillon.dll
"$root/tools/check_dll.sh" "$dll" >"$out/check_dll.log" 2>&1 ||
    { cat "$out/check_dll.log" >&2; fail "the DLL does not pass tools/check_dll.sh"; }

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
[ -n "$version" ] || fail "no project version in $build/CMakeCache.txt"
grep -q "^## \[$version\] - [0-9]\{4\}-[0-9][0-9]-[0-9][0-9]\$" CHANGELOG.md ||
    fail "CHANGELOG.md has no entry \"## [$version] - YYYY-MM-DD\""
name=quillon-$version
echo "release: version $version, commit $(git rev-parse --short HEAD) of $(date -u -d "@$SOURCE_DATE_EPOCH" '+%Y-%m-%d %H:%M')"

stage=$out/stage
bundle=$stage/$name
mkdir -p "$bundle"
setup=$name-setup.exe
makensis -V2 -DVERSION="$version" -DDLL="$dll" -DOUTFILE="$bundle/$setup" "$root/installer/quillon.nsi" \
    >"$out/makensis.log" 2>&1 || { cat "$out/makensis.log" >&2; fail "makensis failed"; }
cp "$dll" "$bundle/ml_quillon.dll"

# The guide, with the version filled in and Windows line ends.
sed -e "s/@VERSION@/$version/g" -e 's/$/\r/' installer/guide.txt >"$bundle/README.txt"

# The web remote as committed: the page and what it loads, not its dev bridge,
# tests, screenshots or npm files.
git ls-files -z web | tr '\0' '\n' | grep -v -e '^web/dev/' -e '^web/test/' -e '^web/tests/' -e '^web/screenshots/' \
    -e '^web/node_modules/' -e '^web/package\(-lock\)\?\.json$' -e '\.test\.m\?js$' -e '^web/README' |
    while IFS= read -r file; do
        mkdir -p "$bundle/$(dirname "$file")"
        cp "$file" "$bundle/$file"
    done
[ -f "$bundle/web/index.html" ] || fail "the web remote has no index.html"

# A licence only when the repository has one.
git ls-files | grep -i -e '^licen[cs]e' -e '^copying' | while IFS= read -r file; do
    cp "$file" "$bundle/$file"
done

(cd "$bundle" && find . -type f ! -name SHA256SUMS | sed 's|^\./||' | sort | xargs -d '\n' sha256sum >SHA256SUMS)

# Zips: sorted entries, the commit's time, fixed modes, no extra fields.
zipOf() { # ZIP FOLDER: the folder's files (under its name) into ZIP
    find "$2" -type d -exec chmod 755 {} + -o -type f -exec chmod 644 {} +
    find "$2" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +
    (cd "$(dirname "$2")" && find "$(basename "$2")" -type f | sort | zip -X -D -q -9 -@ "$1") ||
        fail "zip could not write $1"
}
zipOf "$out/$name-win32.zip" "$bundle"
symbols=$stage/$name-win32-symbols
mkdir -p "$symbols"
cp "$dll.debug" "$symbols/ml_quillon.dll.debug"
zipOf "$out/$name-win32-symbols.zip" "$symbols"

rm -rf "$stage"
echo "release: $out/$name-win32.zip"
echo "release: $out/$name-win32-symbols.zip"
(cd "$out" && sha256sum "$name-win32.zip" "$name-win32-symbols.zip")

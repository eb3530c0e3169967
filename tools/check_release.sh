#!/bin/sh
# Checks the release that tools/release.sh made, without running anything of it:
# the zips' names and entries, the checksums, the DLL (tools/check_dll.sh: one
# export, only system DLLs imported, stripped, and its symbols in the symbols
# zip belong to it), and that the installer is an x86 program holding that
# very DLL.
#
# usage: tools/check_release.sh [RELEASE_FOLDER [VERSION]]
#        (default build/release and the version in its zips' names)
set -u

root=$(cd "$(dirname "$0")/.." && pwd)
folder=${1:-$root/build/release}
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

zips=$(cd "$folder" 2>/dev/null && ls quillon-*-win32.zip 2>/dev/null)
[ -n "$zips" ] || { echo "FAIL: no quillon-VERSION-win32.zip in $folder (run tools/release.sh)"; exit 1; }
[ "$(echo "$zips" | wc -l)" -eq 1 ] || { echo "FAIL: more than one release in $folder: $zips"; exit 1; }
version=${2:-$(echo "$zips" | sed 's/^quillon-\(.*\)-win32\.zip$/\1/')}
name=quillon-$version
zip=$folder/$name-win32.zip
symbolsZip=$folder/$name-win32-symbols.zip
echo "release: $name"
[ -f "$zip" ] || { echo "FAIL: $zip is missing"; exit 1; }
[ -f "$symbolsZip" ] || fail "$symbolsZip is missing"

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
unzip -q "$zip" -d "$scratch/bundle" || fail "unzip cannot read $zip"
[ ! -f "$symbolsZip" ] || unzip -q "$symbolsZip" -d "$scratch/symbols" || fail "unzip cannot read $symbolsZip"

# Every entry inside the one folder quillon-VERSION/.
entries=$(unzip -Z1 "$zip")
outside=$(printf '%s\n' "$entries" | grep -v "^$name/" | grep -v '^$')
[ -z "$outside" ] || fail "entries outside $name/: $outside"
printf '%s\n' "$entries" | grep -q '\.\./' && fail "an entry climbs out of the folder"
bundle=$scratch/bundle/$name

for file in ml_quillon.dll "$name-setup.exe" README.txt SHA256SUMS web/index.html web/manifest.webmanifest web/sw.js; do
    [ -f "$bundle/$file" ] || fail "$file is missing from the zip"
done
unwanted=$(printf '%s\n' "$entries" |
    grep -e "^$name/web/dev/" -e "^$name/web/test" -e '/node_modules/' -e '/package\(-lock\)\?\.json$' -e '/screenshots/')
[ -z "$unwanted" ] || fail "the web remote carries what it does not serve: $unwanted"
# The test host is a test tool: neither in the zip nor in the installer.
printf '%s\n' "$entries" | grep -qi 'testhost' && fail "the zip holds the test host: $(printf '%s\n' "$entries" | grep -i testhost)"
[ ! -f "$bundle/$name-setup.exe" ] || ! grep -q 'usage: quillon-testhost' "$bundle/$name-setup.exe" ||
    fail "the installer holds the test host"
if ! git -C "$root" ls-files | grep -qi -e '^licen[cs]e' -e '^copying'; then
    printf '%s\n' "$entries" | grep -qi -e "^$name/licen[cs]e" -e "^$name/copying" &&
        fail "a licence file in the zip, though the repository has none"
fi
grep -q "Quillon $version " "$bundle/README.txt" || fail "the guide does not name version $version"
grep -q '@[A-Z]*@' "$bundle/README.txt" && fail "the guide has a placeholder left"

# SHA256SUMS: right, and of every other file.
if (cd "$bundle" && sha256sum --quiet -c SHA256SUMS); then
    listed=$(sed 's/^[0-9a-f]\{64\}  //' "$bundle/SHA256SUMS" | sort)
    present=$(cd "$bundle" && find . -type f ! -name SHA256SUMS | sed 's|^\./||' | sort)
    [ "$listed" = "$present" ] || fail "SHA256SUMS does not list exactly the other files"
else
    fail "the files do not match SHA256SUMS"
fi

# The DLL, with its symbols from the symbols zip beside it.
debug=$scratch/symbols/$name-win32-symbols/ml_quillon.dll.debug
[ -f "$debug" ] || fail "the symbols zip holds no $name-win32-symbols/ml_quillon.dll.debug"
mkdir "$scratch/dll"
cp "$bundle/ml_quillon.dll" "$scratch/dll/"
[ ! -f "$debug" ] || cp "$debug" "$scratch/dll/"
if dllReport=$("$root/tools/check_dll.sh" "$scratch/dll/ml_quillon.dll"); then
    printf '%s\n' "$dllReport" | sed 's/^/    /'
else
    printf '%s\n' "$dllReport" | sed 's/^/    /'
    fail "tools/check_dll.sh rejects the bundled DLL"
fi
[ "$(i686-w64-mingw32-objdump -f "$bundle/ml_quillon.dll" | sed -n 's/.*file format //p')" = pei-i386 ] ||
    fail "ml_quillon.dll is not a 32-bit DLL"

# The installer: an x86 program that holds the bundled DLL byte for byte.
setup=$bundle/$name-setup.exe
format=$(x86_64-w64-mingw32-objdump -f "$setup" 2>/dev/null | sed -n 's/.*file format //p')
echo "installer: $format"
[ "$format" = pei-i386 ] || fail "the installer is not an x86 program ($format)"
x86_64-w64-mingw32-objdump -p "$setup" | grep -qx 'Magic[[:space:]]*010b[[:space:]]*(PE32)' ||
    fail "the installer is no PE32 image"
python3 - "$setup" "$bundle/ml_quillon.dll" <<'EOF' || fail "the installer does not hold the bundled DLL"
import sys
setup, dll = (open(path, "rb").read() for path in sys.argv[1:3])
sys.exit(0 if setup.find(dll) >= 0 else 1)
EOF

if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed"
    exit 1
fi
echo "OK"

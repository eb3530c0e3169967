#!/bin/sh
# Checks a built plug-in library before it ships: its name, its one undecorated
# export, its dialog and logo resources, and that it imports nothing but Windows
# system libraries (the MinGW runtime must be linked in, or the host fails to
# load it on a plain Windows).
#
# usage: tools/check_dll.sh path/to/ml_quillon.dll
set -u

if [ $# -ne 1 ]; then
    echo "usage: $0 path/to/ml_quillon.dll" >&2
    exit 2
fi
dll=$1
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

objdump=
for tool in x86_64-w64-mingw32-objdump i686-w64-mingw32-objdump objdump; do
    if command -v "$tool" >/dev/null 2>&1; then
        objdump=$tool
        break
    fi
done
if [ -z "$objdump" ]; then
    echo "FAIL: no objdump found" >&2
    exit 2
fi
if [ ! -f "$dll" ]; then
    echo "FAIL: $dll: no such file"
    exit 1
fi

name=$(basename "$dll")
echo "file:    $name"
[ "$name" = "ml_quillon.dll" ] || fail "the library must be named ml_quillon.dll, not $name"

if ! headers=$("$objdump" -p "$dll" 2>&1); then
    echo "FAIL: $objdump cannot read $dll: $headers"
    exit 1
fi

format=$(printf '%s\n' "$headers" | sed -n 's/.*file format //p' | head -n 1)
echo "format:  $format"
case $format in
    pei-i386 | pei-x86-64) ;;
    *) fail "not a Windows PE image for x86 or x86-64" ;;
esac
if ! printf '%s\n' "$headers" | sed -n '/^Characteristics/,/^$/p' | grep -qx '[[:space:]]*DLL'; then
    fail "the image is not marked as a DLL"
fi

# Names of the export name table: the last field of each "[ n] ..." line
# under "[Ordinal/Name Pointer] Table" up to the next blank line.
exports=$(printf '%s\n' "$headers" | awk '
    /^\[Ordinal\/Name Pointer\] Table/ { inside = 1; next }
    inside && /^[ \t]*$/ { inside = 0 }
    inside && /^[ \t]*\[/ { print $NF }')
count=$(printf '%s' "$exports" | grep -c . || true)
echo "exports: $count"
printf '%s\n' "$exports" | sed -n 's/^./    &/p'
if [ "$count" -ne 1 ]; then
    fail "expected exactly one export, found $count"
fi
if [ "$exports" != "winampGetMediaLibraryPlugin" ]; then
    fail "the export must be winampGetMediaLibraryPlugin, undecorated"
fi

imports=$(printf '%s\n' "$headers" | sed -n 's/^[ \t]*DLL Name: *//p')
echo "imports:"
for import in $imports; do
    lower=$(printf '%s' "$import" | tr '[:upper:]' '[:lower:]')
    case $lower in
        kernel32.dll | user32.dll | advapi32.dll | gdi32.dll | comctl32.dll | shell32.dll | \
            msvcrt.dll | ucrtbase.dll | api-ms-win-crt-*.dll | api-ms-win-core-*.dll | ntdll.dll)
            echo "    $import (system)" ;;
        *)
            echo "    $import"
            fail "imports $import, which is not a Windows system library" ;;
    esac
done
[ -n "$imports" ] || fail "no import table found"

# Resources the configuration needs: dialog 101 (type 5) and bitmap 106 (type 2).
# objdump prints the resource tree indented by depth: types, then their ids.
resources=$(printf '%s\n' "$headers" | awk '
    function hex(text,    value, i) {
        value = 0
        for (i = 1; i <= length(text); i++) value = value * 16 + index("0123456789abcdef", tolower(substr(text, i, 1))) - 1
        return value
    }
    /^The \.rsrc Resource Directory section/ { inside = 1; next }
    inside && /^[ \t]*$/ { inside = 0 }
    inside && /Entry: ID:/ {
        match($0, /^[0-9a-f]+ +/); depth = RLENGTH
        id = $0; sub(/.*Entry: ID: 0x/, "", id); sub(/,.*/, "", id)
        if (typeDepth == 0 || depth <= typeDepth) { typeDepth = depth; type = hex(id); nameDepth = 0; next }
        if (nameDepth == 0 || depth == nameDepth) { nameDepth = depth; printf "%d/%d\n", type, hex(id) }
    }' 2>/dev/null)
for wanted in "5/101:dialog 101" "2/106:bitmap 106"; do
    key=${wanted%%:*}
    if printf '%s\n' "$resources" | grep -qx "$key"; then
        echo "resource: ${wanted#*:}"
    else
        fail "resource ${wanted#*:} is missing"
    fi
done

if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed"
    exit 1
fi
echo "OK"

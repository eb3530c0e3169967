#!/bin/sh
# Checks a built plug-in library before it ships: its name, its one undecorated
# export, its dialog and logo resources, that it imports nothing but Windows
# system libraries (the MinGW runtime must be linked in, or the host fails to
# load it on a plain Windows), and that it is stripped, its symbols kept in
# ml_quillon.dll.debug beside it.
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
objcopy=
for prefix in x86_64-w64-mingw32- i686-w64-mingw32- ""; do
    if command -v "${prefix}objdump" >/dev/null 2>&1 && command -v "${prefix}objcopy" >/dev/null 2>&1; then
        objdump=${prefix}objdump
        objcopy=${prefix}objcopy
        break
    fi
done
if [ -z "$objdump" ]; then
    echo "FAIL: no objdump and objcopy found" >&2
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

# Stripped: no COFF symbol table and no debug sections left in the DLL.
sections=$("$objdump" -h "$dll" | awk '$1 ~ /^[0-9]+$/ { print $2 }')
symbols=$("$objdump" -t "$dll" | awk '/^\[/ { count++ } END { print count + 0 }')
echo "symbols: $symbols"
[ "$symbols" -eq 0 ] || fail "the library still has $symbols symbols: it is not stripped"
debugSections=$(printf '%s\n' "$sections" | grep -E '^\.(z?debug|stab|symtab|strtab)' | paste -sd ' ' -)
[ -z "$debugSections" ] || fail "the library still has debug sections: $debugSections"

# The symbols are kept in NAME.debug beside it, which the DLL's debug link
# names together with that file's CRC-32 (a stale file would not match).
debugFile=$dll.debug
if printf '%s\n' "$sections" | grep -qx '\.gnu_debuglink'; then
    scratch=$(mktemp -d)
    if "$objcopy" --dump-section .gnu_debuglink="$scratch/link" "$dll" "$scratch/copy"; then
        linkName=$(tr '\0' '\n' <"$scratch/link" | head -n 1)
        linkCrc=$(tail -c 4 "$scratch/link" | od -An -tx1 | tr -d ' \n')
        echo "debug link: $linkName"
        [ "$linkName" = "$name.debug" ] || fail "the debug link names $linkName, not $name.debug"
        if [ ! -f "$debugFile" ]; then
            fail "the symbols file $debugFile is missing"
        else
            # gzip ends its output with the CRC-32 of the input, least significant byte first.
            debugCrc=$(gzip -c "$debugFile" | tail -c 8 | head -c 4 | od -An -tx1 | tr -d ' \n')
            [ "$debugCrc" = "$linkCrc" ] ||
                fail "$debugFile does not belong to this build (CRC-32 $debugCrc, the link wants $linkCrc)"
            kept=$("$objdump" -t "$debugFile" | awk '/^\[/ { count++ } END { print count + 0 }')
            echo "symbols kept: $kept in $(basename "$debugFile") ($(wc -c <"$debugFile") bytes)"
            [ "$kept" -gt 0 ] || fail "$debugFile holds no symbols"
        fi
    else
        fail "cannot read the debug link of $dll"
    fi
    rm -rf "$scratch"
else
    fail "the library has no debug link to its symbols file"
    [ -f "$debugFile" ] || fail "the symbols file $debugFile is missing"
fi

if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed"
    exit 1
fi
echo "OK"

#!/bin/sh
# Unpacks the plug-in DLL of the release that tools/release.sh made, byte for
# byte as users download it, for the runs under Wine to load:
#
#   tools/unpack_release_dll.sh RELEASE_FOLDER DESTINATION_FOLDER
#
# Writes DESTINATION_FOLDER/ml_quillon.dll after removing what an earlier run
# left there, so a run never loads the DLL of an older release. Exits 77 when
# RELEASE_FOLDER holds no release (nothing to run), 1 when it holds more than
# one or the DLL is not a 32-bit one.
set -eu

[ $# -eq 2 ] || { echo "usage: $0 RELEASE_FOLDER DESTINATION_FOLDER" >&2; exit 2; }
release=$1
destination=$2
rm -f "$destination/ml_quillon.dll"

zips=$(cd "$release" 2>/dev/null && ls quillon-*-win32.zip 2>/dev/null) || :
if [ -z "$zips" ]; then
    echo "skipped: no quillon-VERSION-win32.zip in $release (tools/release.sh makes it)"
    exit 77
fi
[ "$(echo "$zips" | wc -l)" -eq 1 ] || { echo "more than one release in $release: $zips" >&2; exit 1; }
name=${zips%-win32.zip}
mkdir -p "$destination"
unzip -p "$release/$zips" "$name/ml_quillon.dll" >"$destination/ml_quillon.dll.new" ||
    { echo "$release/$zips holds no $name/ml_quillon.dll" >&2; exit 1; }
# "PE\0\0" at the offset the DOS header names, then machine 0x014c (i386).
machine=$(od -An -tx1 -j "$(od -An -tu4 -j 60 -N 4 "$destination/ml_quillon.dll.new" | tr -d ' ')" -N 6 \
    "$destination/ml_quillon.dll.new" | tr -d ' \n')
[ "$machine" = 504500004c01 ] || { echo "the release's ml_quillon.dll is not a 32-bit DLL ($machine)" >&2; exit 1; }
mv "$destination/ml_quillon.dll.new" "$destination/ml_quillon.dll"
echo "$zips: $destination/ml_quillon.dll ($(sha256sum <"$destination/ml_quillon.dll" | cut -c1-16)...)"

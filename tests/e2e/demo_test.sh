#!/bin/sh
# End-to-end: the live demo (tools/demo.sh) as someone runs it the first time.
#
#   demo_test.sh fresh-prefix       the demo makes its Wine prefix and, in the
#                                   same run, shows the plug-in's version reply
#   demo_test.sh host-cannot-start  a demo whose test host cannot start ends
#                                   with a non-zero status and says why
#
# Runs the release's 32-bit DLL (QUILLON_DLL, unpacked from the release zip),
# the 32-bit test host (QUILLON_TESTHOST_DIR, the win32 build) and the phone of
# the native build (QUILLON_NATIVE_DIR), without building; exits 77 when one
# of them, or Wine, is missing.
set -u

if [ $# -ne 1 ]; then
    echo "usage: $0 fresh-prefix|host-cannot-start" >&2
    exit 2
fi
scenario=$1
root=$(cd "$(dirname "$0")/../.." && pwd)
demo=$root/tools/demo.sh
win32=${QUILLON_TESTHOST_DIR:-$root/build/win32}
native=${QUILLON_NATIVE_DIR:-$root/build/native}
dll=${QUILLON_DLL:-}

[ -n "$dll" ] || { echo "skipped: no plug-in DLL named (QUILLON_DLL)"; exit 77; }
for file in "$dll" "$win32/quillon-testhost.exe" "$native/tools/phone/quillon-phone"; do
    [ -e "$file" ] || { echo "skipped: $file is not there"; exit 77; }
done
for loader in /usr/lib/wine/wine /usr/lib/wine/wine64; do
    [ -x "$loader" ] || { echo "skipped: $loader is not installed"; exit 77; }
done

scratch=$(mktemp -d "${TMPDIR:-/tmp}/quillon-demo-test.XXXXXX")
export QUILLON_WIN32_DIR="$win32" QUILLON_NATIVE_DIR="$native" QUILLON_DEMO_NO_BUILD=1
unset QUILLON_WINE QUILLON_WINE64 QUILLON_WINESERVER QUILLON_DEMO_DLL
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

# runDemo NAME=VALUE... -- ARGUMENT...
# Runs the demo with those settings and arguments; its status in $status,
# what it printed in the files $out and $err.
runDemo() {
    out=$scratch/out.$runs
    err=$scratch/err.$runs
    runs=$((runs + 1))
    described="$*"
    status=0
    (
        while [ "$1" != "--" ]; do
            export "${1?}"
            shift
        done
        shift
        # A demo that hangs must fail here, not when ctest gives up on the test.
        exec timeout 300 sh "$demo" "$@"
    ) </dev/null >"$out" 2>"$err" || status=$?
    echo "---- demo ($described) ended with status $status; it printed:"
    cat "$out"
    echo "---- and on stderr:"
    cat "$err"
    echo "----"
}
runs=0

case $scenario in
    fresh-prefix)
        runDemo QUILLON_DEMO_DIR="$scratch/fresh" QUILLON_DEMO_DLL="$dll" -- --script 27 --script 59
        [ "$status" -eq 0 ] || fail "the demo ended with status $status, not 0"
        grep -q "making a Wine prefix" "$out" || fail "the demo did not make a fresh prefix"
        # Command 27 answers "K" with "Winamp <version> running!", the version
        # being the host's: the reference host says 0x5666, that is 22118.
        grep -qx "  KWinamp 22118 running! .*" "$out" ||
            fail "no version reply \"KWinamp 22118 running!\" in the first run's output"
        # Command 59 before any timer was set answers "b" with "Disbled!".
        grep -qx "  bDisbled! .*" "$out" || fail "no sleep timer reply \"bDisbled!\""
        [ -f "$scratch/fresh/prefix/.quillon-demo-ready" ] || fail "the prefix was not marked finished"
        # The test host ran on Wine's 32-bit side of a 64-bit prefix.
        [ -f "$scratch/fresh/prefix/drive_c/windows/syswow64/kernel32.dll" ] ||
            fail "the demo's prefix is no 64-bit prefix with its 32-bit side"
        ;;
    host-cannot-start)
        # A file that is no DLL at all: the test host starts and cannot load it.
        head -c 4096 /dev/zero | tr '\0' 'Q' >"$scratch/ml_quillon.dll"
        runDemo QUILLON_DEMO_DIR="$scratch/broken" QUILLON_DEMO_DLL="$scratch/ml_quillon.dll" -- --script 27
        [ "$status" -ne 0 ] || fail "a demo whose plug-in cannot be loaded ended with status 0"
        grep -q "demo: the test host could not start: error load .*ml_quillon.dll" "$err" ||
            fail "the demo did not say that the test host could not load the plug-in"
        grep -q "KWinamp" "$out" && fail "a reply came from a plug-in that was never loaded"

        # A Wine loader that is not there: the demo stops before any prefix.
        runDemo QUILLON_DEMO_DIR="$scratch/nowine" QUILLON_WINE="$scratch/no-such-wine" -- --script 27
        [ "$status" -ne 0 ] || fail "a demo without its Wine loader ended with status 0"
        grep -q "demo: QUILLON_WINE=$scratch/no-such-wine is not an executable file" "$err" ||
            fail "the demo did not say that its Wine loader is missing"

        # A 32-bit loader the machine cannot execute (as on a kernel without
        # 32-bit support): the demo stops at once and says why, and runs
        # nothing else in its place.
        head -c 512 /usr/lib/wine/wine >"$scratch/wine"
        chmod +x "$scratch/wine"
        runDemo QUILLON_DEMO_DIR="$scratch/no32" QUILLON_WINE="$scratch/wine" -- --script 27
        [ "$status" -ne 0 ] || fail "a demo whose 32-bit loader cannot run ended with status 0"
        grep -q "demo: the Wine loader $scratch/wine cannot run here: this machine cannot run 32-bit programs" "$err" ||
            fail "the demo did not say that this machine cannot run 32-bit programs"
        [ ! -e "$scratch/no32/prefix" ] || fail "a demo that cannot run 32-bit programs went on to make a prefix"

        # A Wine loader that fails: making the prefix fails, and says so.
        runDemo QUILLON_DEMO_DIR="$scratch/badwine" QUILLON_WINE64=/bin/false -- --script 27
        [ "$status" -ne 0 ] || fail "a demo whose Wine loader fails ended with status 0"
        grep -q "demo: making the Wine prefix: wineboot -i failed" "$err" ||
            fail "the demo did not say that making the Wine prefix failed"
        [ ! -f "$scratch/badwine/prefix/.quillon-demo-ready" ] || fail "a failed prefix was marked finished"
        ;;
    *)
        echo "usage: $0 fresh-prefix|host-cannot-start" >&2
        rm -rf "$scratch"
        exit 2
        ;;
esac

if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed; the demo's folders are kept in $scratch"
    exit 1
fi
rm -rf "$scratch"
echo "OK"

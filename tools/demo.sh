#!/bin/sh
# The live demo: the plug-in DLL in the test host under Wine, on a
# pseudo-terminal linked as COM7, with the phone console attached.
#
#   tools/demo.sh                  interactive: type command lines (27, 18, 14,
#                                  6, 11 80, ...); ":state", ":volume 40",
#                                  ":track 2" talk to the player; Ctrl-D ends
#   tools/demo.sh --script "27" [--script "18" ...]
#                                  sends the lines, prints the replies and the
#                                  player's state after each, quits, exits
#
# Installs what is missing and builds what it needs (win64 and native presets)
# unless QUILLON_DEMO_NO_BUILD=1.
# The Wine prefix is made once under build/demo-wine and reused.
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
win64=${QUILLON_WIN64_DIR:-$root/build/win64}
native=${QUILLON_NATIVE_DIR:-$root/build/native}
work=${QUILLON_DEMO_DIR:-$root/build/demo-wine}

lines=""
while [ $# -gt 0 ]; do
    case "$1" in
        --script) [ $# -ge 2 ] || { echo "demo: --script needs a line" >&2; exit 2; }
                  lines="$lines$2
"; shift 2 ;;
        *) echo "usage: tools/demo.sh [--script LINE ...]" >&2; exit 2 ;;
    esac
done

if [ "${QUILLON_DEMO_NO_BUILD:-0}" != 1 ]; then
    "$root/tools/install-deps.sh"
    echo "demo: building the 64-bit DLL, the test host and the phone console"
    [ -f "$win64/CMakeCache.txt" ] || (cd "$root" && cmake --preset win64 >/dev/null)
    cmake --build "$win64" -j2 --target ml_quillon quillon-testhost >/dev/null
    [ -f "$native/CMakeCache.txt" ] || (cd "$root" && cmake --preset native >/dev/null)
    cmake --build "$native" -j2 --target quillon-phone >/dev/null
fi
phone="$native/tools/phone/quillon-phone"
wine=${QUILLON_WINE:-/usr/lib/wine/wine64}
[ -x "$wine" ] || wine=$(command -v wine64 || command -v wine || true)
[ -n "$wine" ] || { echo "demo: wine64 is not installed" >&2; exit 1; }

export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "demo: making a Wine prefix in $WINEPREFIX (once)"
    mkdir -p "$WINEPREFIX"
    "$wine" wineboot -i >/dev/null 2>&1
    "$wine" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
    wineserver -k 2>/dev/null || true
fi

mkdir -p "$WINEPREFIX/drive_c/quillon-demo"
printf '[Quillon Bluetooth remote control]\nportName=COM7\n[Winamp]\nvolume=180\n' \
    >"$WINEPREFIX/drive_c/quillon-demo/winamp.ini"
fifos=$(mktemp -d "${TMPDIR:-/tmp}/quillon-demo.XXXXXX")
mkfifo "$fifos/to-host" "$fifos/from-host"
link="$WINEPREFIX/dosdevices/com7"
rm -f "$link"

hostpid=""
cleanup() {
    [ -n "$hostpid" ] && kill "$hostpid" 2>/dev/null || true
    wineserver -k 2>/dev/null || true
    rm -f "$link"
    rm -rf "$fifos"
}
trap cleanup EXIT
trap 'exit 130' INT TERM HUP

# The host starts once the phone has linked its line as COM7.
(
    while [ ! -L "$link" ]; do sleep 0.1; done
    exec "$wine" "$win64/quillon-testhost.exe" --ini 'C:\quillon-demo\winamp.ini' \
        --folder 'C:\quillon-demo\host' --seed --notify "$win64/ml_quillon.dll" \
        <"$fifos/to-host" >"$fifos/from-host" 2>/dev/null
) &
hostpid=$!

if [ -n "$lines" ]; then
    set --
    while IFS= read -r line; do
        [ -n "$line" ] && set -- "$@" --send "$line"
    done <<EOF_LINES
$lines
EOF_LINES
    # Wine takes a moment to start; the first line waits for the port to open.
    "$phone" --create-pty "$link" --control-in "$fifos/to-host" --control-out "$fifos/from-host" \
        --collect 2500 "$@"
else
    "$phone" --create-pty "$link" --control-in "$fifos/to-host" --control-out "$fifos/from-host"
fi
wait "$hostpid" 2>/dev/null || true
hostpid=""

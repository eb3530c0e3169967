#!/bin/sh
# The live demo: the 32-bit plug-in DLL in the 32-bit test host under Wine, in
# a 64-bit prefix as on 64-bit Windows, on a pseudo-terminal linked as COM7,
# with the phone console attached.
#
#   tools/demo.sh                  interactive: type command lines (27, 18, 14,
#                                  6, 11 80, ...); ":state", ":volume 40",
#                                  ":track 2" talk to the player; Ctrl-D ends
#   tools/demo.sh --script "27" [--script "18" ...]
#                                  sends the lines, prints the replies and the
#                                  player's state after each, quits, exits
#   tools/demo.sh --web            the web remote in place of the phone
#                                  console: open http://localhost:8080/?bridge
#                                  in a desktop browser (QUILLON_DEMO_WEB_PORT
#                                  for another port); typed lines go to the
#                                  test host (state, log, volume 40); Ctrl-D ends
#
# Installs what is missing and builds what it needs (win32 and native presets)
# unless QUILLON_DEMO_NO_BUILD=1.
# The Wine prefix is made once under build/demo-wine and reused; the test
# host, the plug-in, the INI file and My Music are in its C:\quillon-demo
# (nothing is written outside build/demo-wine). The logs of the last run are
# kept beside it: build.log, prefix.log (making the prefix),
# host.log (the test host's and Wine's stderr), wineserver.log, phone.log.
#
# Settings from the environment:
#   QUILLON_WIN32_DIR    the win32 build (quillon-testhost.exe, ml_quillon.dll)
#   QUILLON_NATIVE_DIR   the native build (tools/phone/quillon-phone)
#   QUILLON_DEMO_DIR     where the prefix and the logs go
#   QUILLON_DEMO_DLL     the plug-in to load, in place of the win32 build's
#   QUILLON_WINE         Wine's 32-bit loader, which runs the test host
#                        (/usr/lib/wine/wine); QUILLON_WINE64 the 64-bit one,
#                        which makes the prefix; QUILLON_WINESERVER
#
# Exits 0 when the conversation ran; otherwise says what failed and exits 1
# (2 for a wrong command line).
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
win32=${QUILLON_WIN32_DIR:-$root/build/win32}
native=${QUILLON_NATIVE_DIR:-$root/build/native}
work=${QUILLON_DEMO_DIR:-$root/build/demo-wine}
dll=${QUILLON_DEMO_DLL:-$win32/ml_quillon.dll}
testhost=$win32/quillon-testhost.exe
phone=$native/tools/phone/quillon-phone
startSeconds=90

fail() {
    echo "demo: $*" >&2
    exit 1
}

# The last lines of a log, to show why a step failed.
showLog() {
    if [ -s "$1" ]; then
        echo "demo: --- last lines of $1 ---" >&2
        tail -n 40 "$1" >&2
        echo "demo: ---" >&2
    fi
}

lines=""
web=0
while [ $# -gt 0 ]; do
    case "$1" in
        --script) [ $# -ge 2 ] || { echo "demo: --script needs a line" >&2; exit 2; }
                  lines="$lines$2
"; shift 2 ;;
        --web) web=1; shift ;;
        *) echo "usage: tools/demo.sh [--script LINE ... | --web]" >&2; exit 2 ;;
    esac
done
[ "$web" = 0 ] || [ -z "$lines" ] || { echo "demo: --web and --script do not go together" >&2; exit 2; }

mkdir -p "$work" || fail "cannot make the folder $work"
work=$(cd "$work" && pwd)

if [ "${QUILLON_DEMO_NO_BUILD:-0}" != 1 ]; then
    "$root/tools/install-deps.sh" || fail "installing the packages the demo needs failed"
    echo "demo: building the 32-bit DLL, the test host and the phone console"
    buildLog=$work/build.log
    : >"$buildLog"
    if ! { [ -f "$win32/CMakeCache.txt" ] || (cd "$root" && cmake --preset win32); } >>"$buildLog" 2>&1 ||
        ! cmake --build "$win32" -j2 --target ml_quillon quillon-testhost >>"$buildLog" 2>&1; then
        showLog "$buildLog"
        fail "building the 32-bit DLL and the test host in $win32 failed"
    fi
    if [ "$web" = 1 ] && ! "$root/tools/install-web-deps.sh" >>"$buildLog" 2>&1; then
        showLog "$buildLog"
        fail "installing what the web remote needs (Node.js, socat, web/'s npm packages) failed"
    fi
    if ! { [ -f "$native/CMakeCache.txt" ] || (cd "$root" && cmake --preset native); } >>"$buildLog" 2>&1 ||
        ! cmake --build "$native" -j2 --target quillon-phone >>"$buildLog" 2>&1; then
        showLog "$buildLog"
        fail "building the phone console in $native failed"
    fi
fi

[ -f "$dll" ] || fail "the plug-in $dll is missing (build the win32 preset first)"
[ -f "$testhost" ] || fail "the test host $testhost is missing (build the win32 preset first)"
[ "$web" = 1 ] || [ -x "$phone" ] || fail "the phone console $phone is missing (build the native preset first)"

# Wine: Debian puts its loaders and wineserver in /usr/lib/wine, not on PATH.
# The 32-bit loader runs the test host; the 64-bit one makes the prefix.
if [ -n "${QUILLON_WINE:-}" ]; then
    wine=$QUILLON_WINE
    { [ -f "$wine" ] && [ -x "$wine" ]; } || fail "QUILLON_WINE=$wine is not an executable file"
else
    wine=/usr/lib/wine/wine
    [ -x "$wine" ] || fail "Wine's 32-bit loader $wine is not installed (tools/install-deps.sh installs wine32:i386)"
fi
# The plug-in is a 32-bit DLL: a machine that cannot run 32-bit programs
# cannot run the demo, and it says so rather than run something else.
"$wine" --version >/dev/null 2>&1 ||
    fail "the Wine loader $wine cannot run here: this machine cannot run 32-bit programs, which the 32-bit plug-in needs"
wine64=${QUILLON_WINE64:-/usr/lib/wine/wine64}
{ [ -f "$wine64" ] && [ -x "$wine64" ]; } || fail "the 64-bit Wine loader $wine64 is not installed (tools/install-deps.sh installs wine64)"
if [ -n "${QUILLON_WINESERVER:-}" ]; then
    wineserver=$QUILLON_WINESERVER
elif [ -x "$(dirname "$wine")/wineserver" ]; then
    wineserver=$(dirname "$wine")/wineserver
else
    wineserver=/usr/lib/wine/wineserver
fi
{ [ -f "$wineserver" ] && [ -x "$wineserver" ]; } || fail "the wineserver $wineserver is not an executable file"

export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY

# Stops every Wine process of the prefix. wineserver -k answers 1 when no
# server was running for it, which is no failure here.
stopWine() {
    stopStatus=0
    "$wineserver" -k || stopStatus=$?
    [ "$stopStatus" -le 1 ]
}

# Whatever way the demo ends, nothing it started is left running.
phonePid=""
teePid=""
hostSidePid=""
fifos=""
link=""
cleanup() {
    status=$?
    trap - EXIT INT TERM HUP
    hostPid=""
    [ -z "$fifos" ] || hostPid=$(cat "$fifos/wine.pid" 2>/dev/null) || :  # the host never started
    for pid in $phonePid $teePid $hostSidePid $hostPid; do
        kill "$pid" 2>/dev/null || :  # already ended
    done
    if ! stopWine; then
        echo "demo: wineserver -k failed (status $stopStatus); Wine may still run in $WINEPREFIX" >&2
        [ "$status" -ne 0 ] || status=1
    fi
    [ -z "$link" ] || rm -f "$link"
    [ -z "$fifos" ] || rm -rf "$fifos"
    exit "$status"
}
trap cleanup EXIT
trap 'exit 130' INT TERM HUP

# Runs one step of making the prefix with a time limit, its output to the log.
prefixStep() {
    what=$1
    shift
    echo "== $*" >>"$prefixLog"
    stepStatus=0
    timeout 180 "$@" >>"$prefixLog" 2>&1 || stepStatus=$?
    if [ "$stepStatus" -ne 0 ]; then
        showLog "$prefixLog"
        [ "$stepStatus" -ne 124 ] || fail "making the Wine prefix: $what took more than 180 s"
        fail "making the Wine prefix: $what failed (status $stepStatus)"
    fi
}

# The prefix is finished only once the marker is written: a run cut short
# while making it leaves no marker, and the next run starts it over. So does a
# prefix without its 32-bit side (one made before Wine's 32-bit part was
# installed).
ready=$WINEPREFIX/.quillon-demo-ready
if [ ! -f "$ready" ] || [ ! -f "$WINEPREFIX/drive_c/windows/syswow64/kernel32.dll" ]; then
    prefixLog=$work/prefix.log
    : >"$prefixLog"
    stopWine || fail "wineserver -k failed (status $stopStatus) on the unfinished prefix $WINEPREFIX"
    if [ -e "$WINEPREFIX" ]; then
        echo "demo: starting the unfinished Wine prefix $WINEPREFIX over"
        rm -rf "$WINEPREFIX" || fail "cannot remove the unfinished prefix $WINEPREFIX"
    fi
    echo "demo: making a Wine prefix in $WINEPREFIX (once; this takes a little while)"
    mkdir -p "$WINEPREFIX" || fail "cannot make the folder $WINEPREFIX"
    prefixStep "wineboot -i" "$wine64" wineboot -i
    # wineboot returns before its processes have ended and the registry is
    # written; the null display driver must go in after that.
    prefixStep "waiting for wineboot to finish" "$wineserver" -w
    prefixStep "selecting the null display driver" \
        "$wine64" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f
    # Processes started before this point know no display driver: a test host
    # that joined them could not make its windows.
    prefixStep "waiting for the registry to be written" "$wineserver" -w
    for file in system.reg user.reg; do
        [ -s "$WINEPREFIX/$file" ] || { showLog "$prefixLog"; fail "making the Wine prefix: $WINEPREFIX/$file was not written"; }
    done
    grep -q '^"Graphics"="null"' "$WINEPREFIX/user.reg" ||
        { showLog "$prefixLog"; fail "making the Wine prefix: the null display driver is not in $WINEPREFIX/user.reg"; }
    : >"$ready"
fi

# The demo's own folder inside the prefix: the test host runs from its
# folder (the plug-in finds the host's playlist file and the media library's
# playlists beside the program), and My Music is a folder of the demo, so a
# playlist saved from the phone stays inside the prefix.
demoHome=$WINEPREFIX/drive_c/quillon-demo
hostDir=$demoHome/host
rm -rf "$hostDir"
mkdir -p "$hostDir/Plugins/ml" "$demoHome/My Music" || fail "cannot make the folders of the demo in $demoHome"
cp "$testhost" "$hostDir/quillon-testhost.exe" || fail "cannot copy the test host into $hostDir"
# The win32 build's plug-in is copied beside the test host; one named by
# QUILLON_DEMO_DLL (an installed one, say) is loaded where it lies.
if [ -n "${QUILLON_DEMO_DLL:-}" ]; then
    plugin=$dll
else
    cp "$dll" "$hostDir/ml_quillon.dll" || fail "cannot copy the plug-in into $hostDir"
    plugin='C:\quillon-demo\host\ml_quillon.dll'
fi
# The volume the plug-in reads at start is the test host's own (200).
printf '[Quillon Bluetooth remote control]\nportName=COM7\n[Winamp]\nvolume=200\n' >"$demoHome/winamp.ini"
# One playlist of the media library, of the seeded tracks, for the Playlists list.
printf '#EXTM3U\r\nC:\\quillon-demo\\host\\Music\\Northbound.mp3\r\nC:\\quillon-demo\\host\\Music\\Quiet Engines.mp3\r\n' \
    >"$hostDir/Plugins/ml/plf_evening.m3u"
fifos=$(mktemp -d "${TMPDIR:-/tmp}/quillon-demo.XXXXXX")
mkfifo "$fifos/to-host" "$fifos/from-host" "$fifos/host-in" "$fifos/host-out" "$fifos/phone-out"
link="$WINEPREFIX/dosdevices/com7"
hostLog=$work/host.log
phoneLog=$work/phone.log
rm -f "$link"
: >"$hostLog"
: >"$phoneLog"


# The wineserver is started here rather than by the test host, so that what it
# prints (it lists every object it still holds when it is stopped) goes to its
# own log and not into the host's. It stays up for 30 s without clients, long
# enough for the phone and the host to come up.
serverStatus=0
"$wineserver" -p30 2>"$work/wineserver.log" || serverStatus=$?
[ "$serverStatus" = 0 ] || { showLog "$work/wineserver.log"; fail "the wineserver $wineserver did not start (status $serverStatus)"; }

# The host's side, in the background: once the phone has linked its line as
# COM7 it starts the test host, shows what the host says until the plug-in's
# init has returned, and only then joins the host to the phone's control
# channel, so the phone's first line goes to a plug-in that is listening.
# It reports through files: "started", or "failed" with the reason, and the
# host's exit status in "host.status".
hostSide() {
    waited=0
    while [ ! -L "$link" ]; do
        sleep 0.1
        waited=$((waited + 1))
        [ "$waited" -lt 300 ] || { echo "the phone console did not link its line as COM7" >"$fifos/failed"; return; }
    done
    "$wine" "$hostDir/quillon-testhost.exe" --ini 'C:\quillon-demo\winamp.ini' --folder 'C:\quillon-demo\host' \
        --my-music 'C:\quillon-demo\My Music' --seed --notify "$plugin" \
        <"$fifos/host-in" >"$fifos/host-out" 2>>"$hostLog" &
    winePid=$!
    echo "$winePid" >"$fifos/wine.pid"
    exec 3>"$fifos/host-in" 4<"$fifos/host-out"
    problem=""
    said=""
    started=0
    while IFS= read -r line <&4; do
        echo "host| $line"
        echo "host| $line" >>"$hostLog"
        case $line in
            "init 0") started=1; break ;;
            "init "*) problem="the plug-in's init returned ${line#init }${said:+ after the message box \"$said\"}"; break ;;
            error*) problem="the test host could not start: $line" ;;
            messagebox*) said=${line#messagebox } ;;
        esac
    done
    if [ "$started" = 1 ]; then
        # The media library's playlist: in its Playlists menu and its catalog.
        printf 'library-playlist Evening|plf_evening.m3u\ncatalog utf8\n' >&3
        : >"$fifos/started"
        cat <&4 >"$fifos/from-host" 3>&- &
        cat "$fifos/to-host" >&3 4<&- &
        exec 3>&- 4<&-
        hostStatus=0
        wait "$winePid" || hostStatus=$?
        echo "$hostStatus" >"$fifos/host.status"
        wait
        return
    fi
    exec 3>&- 4<&-
    hostStatus=0
    wait "$winePid" || hostStatus=$?
    echo "$hostStatus" >"$fifos/host.status"
    [ -n "$problem" ] || problem="the test host ended before the plug-in had started"
    echo "$problem (the host's exit status: $hostStatus)" >"$fifos/failed"
}

hostFailed() {
    showLog "$hostLog"
    fail "$1"
}

# The phone in the background (its standard input still the terminal's), its
# output shown and kept in phone.log.
exec 5<&0
set --
if [ -n "$lines" ]; then
    while IFS= read -r line; do
        [ -n "$line" ] && set -- "$@" --send "$line"
    done <<EOF_LINES
$lines
EOF_LINES
    set -- "$@" --collect 2500
fi
tee "$phoneLog" <"$fifos/phone-out" &
teePid=$!
(
    # A host that ends early must not cut the phone's output short.
    trap '' PIPE
    if [ "$web" = 1 ]; then
        exec node "$root/web/dev/bridge.mjs" --pty-link "$link" --port "${QUILLON_DEMO_WEB_PORT:-8080}" \
            --control-in "$fifos/to-host" --control-out "$fifos/from-host"
    fi
    exec stdbuf -oL "$phone" --create-pty "$link" --control-in "$fifos/to-host" \
        --control-out "$fifos/from-host" "$@"
) <&5 >"$fifos/phone-out" &
phonePid=$!
exec 5<&-
hostSide &
hostSidePid=$!

# Until the plug-in has started: a failure, the phone ending, or the time limit.
waited=0
while [ ! -f "$fifos/started" ]; do
    [ ! -f "$fifos/failed" ] || hostFailed "$(cat "$fifos/failed")"
    if ! kill -0 "$phonePid" 2>/dev/null; then
        phoneStatus=0
        wait "$phonePid" || phoneStatus=$?
        phonePid=""
        fail "the phone console ended (status $phoneStatus) before the plug-in had started"
    fi
    [ "$waited" -lt $((startSeconds * 5)) ] ||
        hostFailed "the test host did not start the plug-in within $startSeconds s"
    sleep 0.2
    waited=$((waited + 1))
done

phoneStatus=0
wait "$phonePid" || phoneStatus=$?
phonePid=""
# The test host quits when the phone has said so or its input has ended.
waited=0
while [ ! -f "$fifos/host.status" ]; do
    [ "$waited" -lt 100 ] || hostFailed "the test host did not end within 20 s of the phone console"
    sleep 0.2
    waited=$((waited + 1))
done
wait "$hostSidePid" || :  # its own status says nothing; host.status does
hostSidePid=""
wait "$teePid" || :
teePid=""

hostStatus=$(cat "$fifos/host.status")
[ "$hostStatus" = 0 ] || hostFailed "the test host ended with status $hostStatus"
[ "$phoneStatus" = 0 ] || fail "the phone console failed (status $phoneStatus)"
# The phone shows each reply indented by two blanks; the "X" that ends the
# conversation after the host's quit does not count.
if [ -n "$lines" ] && ! awk '/^host\| quit/ { exit } /^  [^ ]/ { replies++ } END { exit replies == 0 }' "$phoneLog"; then
    hostFailed "the plug-in sent no reply to any of the lines"
fi

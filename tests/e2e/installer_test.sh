#!/bin/sh
# End-to-end: the release's own installer (x86, from the release zip) under
# Wine, in a 64-bit prefix as on 64-bit Windows, where it runs on the 32-bit
# side:
#   - it offers the player's usual folder, C:\Program Files (x86)\Winamp:
#     a silent install without /D goes there;
#   - refused for a folder without Plugins, and while the plug-in is in use
#     (the 32-bit test host has it loaded), leaving everything as it was; that
#     test host's configuration dialog lists the ports above COM20 of the
#     system's serial device map;
#   - the install puts the release's DLL into the folder's Plugins and
#     registers its uninstaller in the 32-bit view of the registry
#     (Wow6432Node), and the live demo (tools/demo.sh) loads the DLL from
#     there and gets the version reply;
#   - installing over an older DLL replaces it and leaves nothing beside it;
#   - the silent uninstall leaves the folder as it was and the registration
#     gone.
#
# Runs the release in QUILLON_RELEASE_DIR (tools/release.sh), the 32-bit test
# host (QUILLON_TESTHOST_DIR, the win32 build) and the phone of the native
# build (QUILLON_NATIVE_DIR), without building; exits 77 when one of them,
# Wine or socat is missing.
set -u

root=$(cd "$(dirname "$0")/../.." && pwd)
release=${QUILLON_RELEASE_DIR:-$root/build/release}
win32=${QUILLON_TESTHOST_DIR:-$root/build/win32}
native=${QUILLON_NATIVE_DIR:-$root/build/native}
version=${QUILLON_VERSION:-0.0.0}
name=quillon-$version
zip=$release/$name-win32.zip

for file in "$zip" "$win32/quillon-testhost.exe" "$native/tools/phone/quillon-phone"; do
    [ -e "$file" ] || { echo "skipped: $file is not there"; exit 77; }
done
wine=/usr/lib/wine/wine
wine64=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver
for tool in "$wine" "$wine64" "$wineserver"; do
    [ -x "$tool" ] || { echo "skipped: $tool is not installed (tools/install-deps.sh)"; exit 77; }
done
command -v socat >/dev/null 2>&1 || { echo "skipped: socat is not installed (tools/install-deps.sh)"; exit 77; }

scratch=$(mktemp -d "${TMPDIR:-/tmp}/quillon-installer-test.XXXXXX")
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}
# Stops: ends the run with what was found so far.
stop() {
    echo "FAIL: $*"
    echo "the test's folders are kept in $scratch"
    exit 1
}

# The installer and the DLL as users download them.
setup=$scratch/$name-setup.exe
dll=$scratch/ml_quillon.dll
unzip -p "$zip" "$name/$name-setup.exe" >"$setup" && [ -s "$setup" ] || stop "$zip holds no $name/$name-setup.exe"
unzip -p "$zip" "$name/ml_quillon.dll" >"$dll" && [ -s "$dll" ] || stop "$zip holds no $name/ml_quillon.dll"

# The prefix as the demo makes it (the demo takes it over by its marker).
demoDir=$scratch/demo
export WINEPREFIX="$demoDir/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY
trap '"$wineserver" -k 2>/dev/null' EXIT
mkdir -p "$WINEPREFIX"
{
    timeout 180 "$wine64" wineboot -i && "$wineserver" -w &&
        "$wine64" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f && "$wineserver" -w
} >"$scratch/prefix.log" 2>&1 || { cat "$scratch/prefix.log"; stop "making the Wine prefix failed"; }
[ -f "$WINEPREFIX/drive_c/windows/syswow64/kernel32.dll" ] || stop "the prefix has no 32-bit side (syswow64)"
: >"$WINEPREFIX/.quillon-demo-ready"

# The player's folder where a 32-bit player has it on 64-bit Windows, with
# something of the player's in it already (the test host makes Plugins\ml as
# the player has it); the demo keeps its own folder apart and loads the
# installed plug-in from here.
hostWin='C:\Program Files (x86)\Winamp'
host="$WINEPREFIX/drive_c/Program Files (x86)/Winamp"
plugins=$host/Plugins
mkdir -p "$plugins/ml" "$WINEPREFIX/drive_c/quillon-demo/empty"
echo "another plug-in" >"$plugins/ml_other.dll"
echo "[Winamp]" >"$host/winamp.ini"
listing() { (cd "$host" && find . -exec sh -c 'for f; do printf "%s " "$f"; [ -f "$f" ] && cksum <"$f" || echo; done' sh {} + | sort); }
listing >"$scratch/before"

# Runs the installer (or another program of the prefix) and waits for every
# process of the prefix: an uninstaller goes on in a copy of itself.
status=0
runWine() {
    status=0
    timeout 120 "$wine" "$@" >>"$scratch/wine.log" 2>&1 || status=$?
    "$wineserver" -w
}
# A value of the uninstaller's registration, read by the 64-bit reg, which
# sees the 32-bit view under Wow6432Node.
key32='HKLM\Software\Wow6432Node\Microsoft\Windows\CurrentVersion\Uninstall\Quillon'
key64='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Quillon'
registration() {
    "$wine64" reg query "$key32" /v "$1" 2>/dev/null |
        tr -d '\r' | grep "^ *$1 "
}

# A folder without Plugins is refused.
runWine "$setup" /S '/D=C:\quillon-demo\empty'
[ "$status" -eq 2 ] || fail "an install into a folder without Plugins ended with $status, not 2"
[ -z "$(ls -A "$WINEPREFIX/drive_c/quillon-demo/empty")" ] || fail "the refused install wrote into the folder"
registration DisplayVersion >/dev/null && fail "the refused install registered an uninstaller"

# The silent install, without /D: into the folder the installer offers.
runWine "$setup" /S
[ "$status" -eq 0 ] || fail "the silent install ended with $status"
cmp -s "$dll" "$plugins/ml_quillon.dll" || fail "Program Files (x86)/Winamp/Plugins/ml_quillon.dll is not the release's DLL"
[ -f "$plugins/uninstall_ml_quillon.exe" ] || fail "no uninstaller in Plugins"
registration DisplayVersion | grep -q "REG_SZ *$version\$" ||
    fail "the uninstaller is not registered with version $version in the 32-bit view (Wow6432Node)"
registration InstallLocation | grep -qF "REG_SZ    $hostWin" || fail "the registered folder is not $hostWin: $(registration InstallLocation)"
"$wine64" reg query "$key64" >/dev/null 2>&1 &&
    fail "the uninstaller is registered in the 64-bit view, not only in the 32-bit one"
cmp -s "$host/winamp.ini" - <<EOF || fail "the install changed the host's INI file"
[Winamp]
EOF

# The test host started from the host folder loads the installed DLL, and the
# plug-in answers. The demo starts a wineserver of its own.
"$wineserver" -k 2>/dev/null
out=$scratch/demo.out
QUILLON_WIN32_DIR=$win32 QUILLON_NATIVE_DIR=$native QUILLON_DEMO_NO_BUILD=1 QUILLON_DEMO_DIR=$demoDir \
    QUILLON_DEMO_DLL="$plugins/ml_quillon.dll" QUILLON_WINE=$wine QUILLON_WINE64=$wine64 QUILLON_WINESERVER=$wineserver \
    timeout 300 sh "$root/tools/demo.sh" --script 27 </dev/null >"$out" 2>&1 || fail "the demo with the installed DLL failed"
grep -qx "  KWinamp 22118 running! .*" "$out" || { cat "$out"; fail "no version reply from the installed DLL"; }

# While a test host has the plug-in loaded, the installer refuses and changes
# nothing. That host also shows the configuration: the system's serial device
# map, given two ports above COM20, puts them after COM20. The map lives only
# as long as the wineserver, so one is kept up meanwhile.
"$wineserver" -p60 2>>"$scratch/wine.log"
for port in 23 210; do
    "$wine64" reg add 'HKLM\HARDWARE\DEVICEMAP\SERIALCOMM' /v "\\Device\\QuillonTest$port" /t REG_SZ /d "COM$port" /f \
        >>"$scratch/wine.log" 2>&1 || fail "cannot add COM$port to the serial device map"
done
socat -u "pty,link=$WINEPREFIX/dosdevices/com6,raw,echo=0" open:/dev/null &
socatPid=$!
# A run that stops early must not leave the line behind: it holds the test's output open.
trap 'kill "$socatPid" 2>/dev/null; "$wineserver" -k 2>/dev/null' EXIT
mkfifo "$scratch/host-in"
"$wine" "$win32/quillon-testhost.exe" --ini 'C:\quillon-demo\busy.ini' --folder "$hostWin" \
    "$plugins/ml_quillon.dll" <"$scratch/host-in" >"$scratch/busy.out" 2>>"$scratch/wine.log" &
hostPid=$!
exec 3>"$scratch/host-in"
waited=0
until grep -qs "^init " "$scratch/busy.out"; do
    [ "$waited" -lt 300 ] || stop "the test host did not load the plug-in: $(cat "$scratch/busy.out")"
    sleep 0.2
    waited=$((waited + 1))
done
grep -qx "init 0" "$scratch/busy.out" || fail "the plug-in did not start on COM6: $(cat "$scratch/busy.out")"
status=0
# No /D (it takes no quotes, and this folder has blanks): the installer goes
# back to the folder it registered.
timeout 120 "$wine" "$setup" /S >>"$scratch/wine.log" 2>&1 || status=$?
[ "$status" -eq 2 ] || fail "the install while the plug-in is in use ended with $status, not 2"
cmp -s "$dll" "$plugins/ml_quillon.dll" || fail "the refused install changed the loaded DLL"
ls "$plugins" | grep -q '\.\(new\|old\)$' && fail "the refused install left $(ls "$plugins")"
echo config >&3
echo quit >&3
exec 3>&-
wait "$hostPid" || fail "the busy test host did not end cleanly"
kill "$socatPid" 2>/dev/null
grep -qx "dialog Quillon Configuration|items=22 first=COM1 last=COM210 selected=COM6" "$scratch/busy.out" ||
    fail "the dialog does not list COM23 and COM210 after COM20: $(grep '^dialog' "$scratch/busy.out")"
"$wineserver" -k 2>/dev/null
"$wineserver" -w

# Installing again replaces the DLL and leaves nothing beside it.
printf 'an older build' >"$plugins/ml_quillon.dll"
runWine "$setup" /S
[ "$status" -eq 0 ] || fail "installing over an older DLL ended with $status"
cmp -s "$dll" "$plugins/ml_quillon.dll" || fail "installing again did not replace the older DLL"
[ "$(ls "$plugins" | sort | paste -sd ' ' -)" = "ml ml_other.dll ml_quillon.dll uninstall_ml_quillon.exe" ] ||
    fail "Plugins holds $(ls "$plugins") after installing again"

# The silent uninstall leaves the host folder as it was.
runWine "$plugins/uninstall_ml_quillon.exe" /S
[ "$status" -eq 0 ] || fail "the silent uninstall ended with $status"
listing >"$scratch/after"
diff "$scratch/before" "$scratch/after" || fail "the host folder is not as it was before the install"
registration UninstallString >/dev/null && fail "the uninstaller's registration is still there"

if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed; the test's folders are kept in $scratch"
    exit 1
fi
"$wineserver" -k 2>/dev/null
trap - EXIT
rm -rf "$scratch"
echo "OK"

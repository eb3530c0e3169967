#!/usr/bin/env bash
# The web remote's tests: the protocol module's unit tests under node's test
# runner, then the page in Debian's headless chromium, through the dev
# bridge, against the release's 32-bit plug-in DLL in the 32-bit test host
# under Wine, in a 64-bit prefix as on 64-bit Windows.
#
# Installs what is missing (Debian's chromium, socat and Node.js, and web/'s
# npm packages, through tools/install-web-deps.sh; the build's packages
# through tools/install-deps.sh)
# brings the win32 build's test host up to date and makes the release of the
# working tree (tools/release.sh), unless QUILLON_WEB_NO_BUILD=1; the DLL the
# page talks to is the one unpacked from the release zip. Exits non-zero when
# anything fails.
#
# Settings: QUILLON_TESTHOST_DIR (the win32 build), QUILLON_WEB_E2E_DIR (the Wine
# prefix and logs, default build/web-e2e), QUILLON_WEB_SCREENSHOTS (where the
# phone-size screenshots go, default build/web-e2e/screenshots; web/screenshots
# refreshes the committed ones), QUILLON_CHROMIUM (/usr/bin/chromium),
# QUILLON_WINE (the 32-bit loader), QUILLON_WINE64, QUILLON_WINESERVER.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

tools/install-web-deps.sh --browser

if [ "${QUILLON_WEB_NO_BUILD:-0}" != 1 ]; then
    tools/install-deps.sh
    win32=${QUILLON_TESTHOST_DIR:-$root/build/win32}
    if [ ! -f "$win32/CMakeCache.txt" ]; then
        if [ -n "${QUILLON_TESTHOST_DIR:-}" ]; then
            echo "run-web-tests: QUILLON_TESTHOST_DIR=$win32 is not a configured build" >&2
            exit 1
        fi
        cmake --preset win32 >/dev/null
    fi
    cmake --build "$win32" -j2 --target quillon-testhost
    QUILLON_RELEASE_DIRTY=1 tools/release.sh
fi
# The release's DLL, byte for byte.
work=${QUILLON_WEB_E2E_DIR:-$root/build/web-e2e}
if [ -z "${QUILLON_DLL:-}" ]; then
    unpacked=0
    tools/unpack_release_dll.sh "$root/build/release" "$work/shipped" || unpacked=$?
    if [ "$unpacked" -ne 0 ]; then
        echo "run-web-tests: no DLL of a release to run (tools/release.sh makes the release)" >&2
        exit 1
    fi
fi

status=0
echo "== web: the protocol module's unit tests"
(cd web && node --test test/unit/) || status=1
echo "== web: the page in chromium against the plug-in under Wine"
(cd web && QUILLON_WEB_REQUIRE=1 node --test test/browser/) || status=1

[ "$status" -eq 0 ] || echo "run-web-tests: some tests failed" >&2
exit "$status"

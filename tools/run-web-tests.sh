#!/usr/bin/env bash
# The web remote's tests: the protocol module's unit tests under node's test
# runner, then the page in Debian's headless chromium, through the dev
# bridge, against the 64-bit plug-in DLL in the test host under Wine.
#
# Installs what is missing (Debian's chromium, socat and Node.js, and web/'s
# npm packages, through tools/install-web-deps.sh; the build's packages
# through tools/install-deps.sh)
# and brings the win64 build up to date (the DLL and the test host), unless
# QUILLON_WEB_NO_BUILD=1. Exits non-zero when anything fails.
#
# Settings: QUILLON_WIN64_DIR (the win64 build), QUILLON_WEB_E2E_DIR (the Wine
# prefix and logs, default build/web-e2e), QUILLON_WEB_SCREENSHOTS (where the
# phone-size screenshots go, default build/web-e2e/screenshots; web/screenshots
# refreshes the committed ones), QUILLON_CHROMIUM (/usr/bin/chromium),
# QUILLON_WINE, QUILLON_WINESERVER.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

tools/install-web-deps.sh --browser

if [ "${QUILLON_WEB_NO_BUILD:-0}" != 1 ]; then
    tools/install-deps.sh
    win64=${QUILLON_WIN64_DIR:-$root/build/win64}
    if [ ! -f "$win64/CMakeCache.txt" ]; then
        if [ -n "${QUILLON_WIN64_DIR:-}" ]; then
            echo "run-web-tests: QUILLON_WIN64_DIR=$win64 is not a configured build" >&2
            exit 1
        fi
        cmake --preset win64 >/dev/null
    fi
    cmake --build "$win64" -j2 --target ml_quillon quillon-testhost
fi

status=0
echo "== web: the protocol module's unit tests"
(cd web && node --test test/unit/) || status=1
echo "== web: the page in chromium against the plug-in under Wine"
(cd web && QUILLON_WEB_REQUIRE=1 node --test test/browser/) || status=1

[ "$status" -eq 0 ] || echo "run-web-tests: some tests failed" >&2
exit "$status"

#!/usr/bin/env bash
# Installs what is missing, builds the three presets (and the sanitizer trees of
# the native one) and the release, and runs every test: unit and component tests
# natively, the same under ASan+UBSan and under TSan, the checks of the built
# DLLs and of the release (its zips, and two builds of HEAD compared), the
# end-to-end tests under Wine, the web remote's tests, and a short run of
# every fuzz target. Every Wine run but one loads the release's 32-bit DLL
# (unpacked from its zip) into the 32-bit test host in a 64-bit prefix, as on
# 64-bit Windows; one short run does so in a 32-bit prefix, and one short run
# takes the 64-bit twin.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/install-deps.sh

# The plug-in users install is a 32-bit DLL, and the tests run that one. A
# machine that cannot run 32-bit programs cannot test it: stop here.
if ! problem=$(/usr/lib/wine/wine --version 2>&1); then
    echo "run-tests: Wine's 32-bit loader /usr/lib/wine/wine cannot run here: $problem" >&2
    echo "run-tests: this machine cannot run 32-bit programs, and the tests run the 32-bit DLL; nothing was tested" >&2
    exit 1
fi

jobs="-j$(nproc)"
build() {
    cmake --preset "$1" >/dev/null
    cmake --build --preset "$1" -- "$jobs"
}

echo "== Windows builds"
build win32
build win64

echo "== the release (build/release), of the working tree as it is"
QUILLON_RELEASE_DIRTY=1 tools/release.sh

echo "== native build and every test"
build native
log=$(mktemp)
trap 'rm -f "$log"' EXIT
ctest --preset native --timeout 600 | tee "$log"
# The end-to-end run and the DLL checks skip themselves when a Windows build
# is missing; here both were just built, so a skip is a failure.
if grep -q "did not run" "$log"; then
    echo "run-tests: some tests were skipped although every build is there" >&2
    exit 1
fi

echo "== unit tests under AddressSanitizer and UndefinedBehaviorSanitizer"
build native-asan
ctest --preset native-asan -L unit --timeout 600

echo "== unit tests under ThreadSanitizer"
build native-tsan
TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 atexit_sleep_ms=0" ctest --preset native-tsan -L unit --timeout 600

echo "== the web remote: its protocol module, and the page in chromium against the DLL under Wine"
QUILLON_WEB_NO_BUILD=1 tools/run-web-tests.sh

echo "== the fuzz targets: two minutes for the wire, thirty seconds for its threaded twin and for each file reader"
tools/run-fuzz.sh 120

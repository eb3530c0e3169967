#!/usr/bin/env bash
# Installs what is missing, builds the three presets (and the sanitizer trees of
# the native one) and runs every test: unit and component tests natively, the
# same under ASan+UBSan and under TSan, the checks of the built DLLs, and the
# end-to-end tests of the 64-bit DLL under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/install-deps.sh

jobs="-j$(nproc)"
build() {
    cmake --preset "$1" >/dev/null
    cmake --build --preset "$1" -- "$jobs"
}

echo "== Windows builds"
build win32
build win64

echo "== native build and every test"
build native
ctest --preset native --timeout 600

echo "== unit tests under AddressSanitizer and UndefinedBehaviorSanitizer"
build native-asan
ctest --preset native-asan -L unit --timeout 600

echo "== unit tests under ThreadSanitizer"
build native-tsan
TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" ctest --preset native-tsan -L unit --timeout 600

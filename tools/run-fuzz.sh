#!/usr/bin/env bash
# Builds the fuzz targets (clang, libFuzzer, ASan + UBSan) and runs each for a
# bounded time, starting from the committed seeds plus whatever an earlier run
# here found (kept under build/fuzz/corpus). Exits non-zero on a finding; the
# input that found it is left in build/fuzz/findings.
#
#   tools/run-fuzz.sh [SECONDS]        default 120 for the wire target, a quarter
#                                      of it for the threaded wire target and
#                                      for each file reader
#   QUILLON_FUZZ_JOBS=2 tools/run-fuzz.sh 3600     a longer run on two cores
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
seconds=${1:-120}
jobs=${QUILLON_FUZZ_JOBS:-1}

tools/install-deps.sh
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -- -j"$(nproc)"

# Short allocation stacks and no fill: the fuzzer runs about twice as fast.
export ASAN_OPTIONS="max_malloc_fill_size=0:quarantine_size_mb=16:malloc_context_size=4:detect_leaks=1:abort_on_error=1"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"

run() {
    local target=$1 corpus=$2 seeds=$3 dict=$4 time=$5
    mkdir -p "$corpus" build/fuzz/findings
    local log=build/fuzz/$target.log
    echo "== $target for ${time} s (corpus $corpus)"
    local extra=()
    [ -n "$dict" ] && extra+=("-dict=$dict")
    # Every input that once found a fault with this target is run again at the start.
    local regressions=tests/fuzz/regressions/${target%_fuzz}
    local inputs=("$corpus" "$seeds")
    [ -d "$regressions" ] && inputs+=("$regressions")
    set +e
    "build/fuzz/tests/fuzz/$target" "${inputs[@]}" "${extra[@]}" \
        -max_total_time="$time" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
        -jobs="$jobs" -workers="$jobs" -artifact_prefix="build/fuzz/findings/$target-" >"$log" 2>&1
    local status=$?
    set -e
    # With -jobs the figures are in the workers' logs.
    grep -hE '^stat::|DONE|ERROR|SUMMARY|_fuzz:' "$log" fuzz-*.log 2>/dev/null | awk '!seen[$0]++' | tail -12 || true
    rm -f fuzz-*.log
    if [ "$status" -ne 0 ]; then
        echo "run-fuzz: $target found a fault; the input is in build/fuzz/findings, the log in $log" >&2
        tail -40 "$log" >&2
        exit 1
    fi
}

run wire_fuzz build/fuzz/corpus/wire tests/fuzz/corpus/wire tests/fuzz/wire.dict "$seconds"
# The threaded wire target and the two file readers: a quarter of the time each
# (the first is slow, the other two are small).
short=$(( seconds / 4 > 10 ? seconds / 4 : 10 ))
run wire_threads_fuzz build/fuzz/corpus/wire_threads tests/fuzz/corpus/wire tests/fuzz/wire.dict "$short"
run catalog_fuzz build/fuzz/corpus/catalog tests/fuzz/corpus/catalog "" "$short"
run folder_fuzz build/fuzz/corpus/folder tests/fuzz/corpus/folder "" "$short"

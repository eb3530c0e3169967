#!/usr/bin/env bash
# Compares what the plug-in sends on the serial line, and what it asks of the
# host, between a base revision and the working tree, byte for byte: every wire
# fuzz input of the repository (seeds and regressions, and the corpus an
# earlier fuzz run here grew in build/fuzz/corpus/wire), inputs made from them
# by a fixed sequence of byte changes, and the soak's command streams against
# the soak's library. Both sides run on the simulated platform with the
# reference host, deterministically. Prints the first difference of each input
# that differs and exits 1 when there is one.
#
#   tools/compare-wire.sh [BASE]      BASE: a revision, default main
#
# Settings: QUILLON_COMPARE_MUTATIONS (default 10000), QUILLON_COMPARE_SOAK
# (default "1:5000 2:5000 3:5000 4:5000"), QUILLON_COMPARE_KEEP=1 keeps the records
# and the base's build in the temporary folder it names.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
base=${1:-main}
mutations=${QUILLON_COMPARE_MUTATIONS:-10000}
soaks=${QUILLON_COMPARE_SOAK:-"1:5000 2:5000 3:5000 4:5000"}
jobs=${QUILLON_COMPARE_JOBS:-2}

baseCommit=$(git rev-parse --verify "$base^{commit}")
work=$(mktemp -d "${TMPDIR:-/tmp}/quillon-compare.XXXXXX")
cleanup() {
    if [ -d "$work/base" ] && ! git -C "$root" worktree remove --force "$work/base" >/dev/null 2>&1; then
        echo "compare-wire: the temporary worktree $work/base could not be removed" >&2
    fi
    if [ "${QUILLON_COMPARE_KEEP:-0}" = 1 ]; then
        echo "compare-wire: records kept in $work"
    else
        rm -rf "$work"
    fi
}
trap cleanup EXIT

# The base in a worktree of its own. A base older than the recorder gets the
# commit that brought it.
git worktree add --detach "$work/base" "$baseCommit" >/dev/null 2>&1
if [ ! -f "$work/base/tools/wirerecord/wirerecord.cpp" ]; then
    recorder=$(git log --diff-filter=A --format=%H -- tools/wirerecord/wirerecord.cpp | tail -1)
    if [ -z "$recorder" ] || ! git -C "$work/base" cherry-pick --no-commit "$recorder" >/dev/null 2>&1; then
        echo "compare-wire: the recorder does not apply to $base" >&2
        exit 1
    fi
fi

echo "compare-wire: building the working tree (native preset) and $base ($(git rev-parse --short "$baseCommit"))"
cmake --preset native >/dev/null
cmake --build --preset native --target quillon-wirerecord -- -j"$jobs" >"$work/build-current.log" 2>&1 ||
    { tail -30 "$work/build-current.log" >&2; exit 1; }
cmake -S "$work/base" -B "$work/base-build" -G Ninja -DCMAKE_BUILD_TYPE=Debug >"$work/build-base.log" 2>&1 &&
    cmake --build "$work/base-build" --target quillon-wirerecord -- -j"$jobs" >>"$work/build-base.log" 2>&1 ||
    { tail -30 "$work/build-base.log" >&2; exit 1; }

# The same inputs, from the working tree, for both sides.
inputs=()
for folder in tests/fuzz/corpus/wire tests/fuzz/regressions/wire build/fuzz/corpus/wire; do
    [ -d "$folder" ] || continue
    while IFS= read -r file; do inputs+=("$file"); done < <(find "$folder" -type f | LC_ALL=C sort)
done
options=(--mutations "$mutations")
for stream in $soaks; do options+=(--soak "$stream"); done

mkdir -p "$work/base-out" "$work/current-out"
start=$(date +%s)
"$work/base-build/tools/wirerecord/quillon-wirerecord" "$work/base-out" "${options[@]}" "${inputs[@]}" \
    >"$work/run-base.log" 2>&1 &
baseRun=$!
build/native/tools/wirerecord/quillon-wirerecord "$work/current-out" "${options[@]}" "${inputs[@]}" \
    >"$work/run-current.log" 2>&1 || { cat "$work/run-current.log" >&2; exit 1; }
wait "$baseRun" || { cat "$work/run-base.log" >&2; exit 1; }
echo "compare-wire: recorded in $(( $(date +%s) - start )) s: base $(cat "$work/run-base.log"), current $(cat "$work/run-current.log")"

# The first difference of each input, on the wire or in the host's log.
differing=0
total=0
for record in "$work/base-out"/*.wire; do
    name=$(basename "$record" .wire)
    total=$((total + 1))
    for kind in wire host; do
        a="$work/base-out/$name.$kind"
        b="$work/current-out/$name.$kind"
        if [ ! -f "$b" ]; then
            echo "DIFF $name: no $kind record in the working tree"
            differing=$((differing + 1))
            break
        fi
        if ! where=$(cmp "$a" "$b" 2>&1); then
            line=$(printf '%s\n' "$where" | sed -n 's/.*line \([0-9]*\).*/\1/p')
            what=$([ "$kind" = wire ] && echo "on the wire" || echo "in the host's requests")
            echo "DIFF $name: first difference $what: $where"
            if [ -n "$line" ]; then
                echo "  base:    $(sed -n "${line}p" "$a" | cut -c1-200 | cat -v)"
                echo "  current: $(sed -n "${line}p" "$b" | cut -c1-200 | cat -v)"
            fi
            differing=$((differing + 1))
            break
        fi
    done
done
if [ "$differing" -ne 0 ]; then
    echo "compare-wire: $differing of $total inputs differ from $base"
    exit 1
fi
echo "compare-wire: all $total inputs identical to $base (wire bytes and host requests)"

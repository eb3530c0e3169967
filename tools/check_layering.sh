#!/usr/bin/env bash
# Includes point down only: a folder never includes a header of a folder above
# it. Prints every include that points up and fails when there is one.
set -euo pipefail
root=${1:-$(cd "$(dirname "$0")/.." && pwd)}
cd "$root"

# Lower number: lower layer. Folders not listed here (tools, tests, hostsim,
# bench) sit above all of them and are not checked.
rank() {
    case "$1" in
        platform) echo 0 ;;
        core) echo 1 ;;
        link) echo 2 ;;
        protocol) echo 3 ;;
        library) echo 4 ;;
        files) echo 5 ;;
        plugin) echo 6 ;;
        *) echo "" ;;
    esac
}

bad=0
checked=0
for folder in platform core link protocol library files plugin; do
    [ -d "$folder" ] || continue
    own=$(rank "$folder")
    while IFS= read -r match; do
        [ -n "$match" ] || continue
        file=${match%%:*}
        included=$(sed -E 's/.*#include "([^"]+)".*/\1/' <<<"${match#*:}")
        top=${included%%/*}
        theirs=$(rank "$top")
        checked=$((checked + 1))
        if [ -z "$theirs" ] && [ "$top" != "$included" ]; then
            echo "layering: $file includes $included, which is outside the plug-in's layers" >&2
            bad=1
        elif [ -n "$theirs" ] && [ "$theirs" -gt "$own" ]; then
            echo "layering: $file ($folder) includes $included ($top is a higher layer)" >&2
            bad=1
        fi
    done < <(grep -rHE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "$folder" --include='*.h' --include='*.cpp' || true)
done
if [ "$checked" -eq 0 ]; then
    echo "layering: no includes found under $root" >&2
    exit 1
fi
[ "$bad" -eq 0 ] && echo "layering: $checked includes checked, every one points down"
exit "$bad"

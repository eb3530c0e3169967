#!/usr/bin/env bash
# Includes point down only: a folder never includes a header of a folder above
# it. Prints every include that points up and fails when there is one.
set -euo pipefail
root=${1:-$(cd "$(dirname "$0")/.." && pwd)}
cd "$root"

# Lower layers first. Folders not listed here (tools, tests, hostsim, bench)
# sit above all of them and are not checked.
layers="platform core link protocol library files plugin"

folders=()
for folder in $layers; do [ -d "$folder" ] && folders+=("$folder"); done

grep -rHE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "${folders[@]}" --include='*.h' --include='*.cpp' |
    awk -v layers="$layers" '
        BEGIN { n = split(layers, names, " "); for (i = 1; i <= n; i++) rank[names[i]] = i }
        {
            file = substr($0, 1, index($0, ":") - 1)
            split(file, parts, "/"); own = parts[1]
            included = $0; sub(/^[^"]*"/, "", included); sub(/".*$/, "", included)
            top = included; sub(/\/.*$/, "", top)
            checked++
            if (!(top in rank)) {
                if (top != included) { print "layering: " file " includes " included ", outside the plug-in'"'"'s layers" > "/dev/stderr"; bad = 1 }
            } else if (rank[top] > rank[own]) {
                print "layering: " file " (" own ") includes " included " (" top " is a higher layer)" > "/dev/stderr"; bad = 1
            }
        }
        END {
            if (checked == 0) { print "layering: no includes found" > "/dev/stderr"; exit 1 }
            if (!bad) print "layering: " checked " includes checked, every one points down"
            exit bad
        }'

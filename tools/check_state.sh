#!/usr/bin/env bash
# The plug-in's state lives in the records of core/context.h. This check fails
# when a mutable variable appears at namespace scope in the plug-in's own
# folders, outside the short list below, and when the root of the records is
# read anywhere but at the entry points the host or the system call with no
# context of ours (see entryPoints below). Prints every one it finds.
set -euo pipefail
root=${1:-$(cd "$(dirname "$0")/.." && pwd)}
cd "$root"

# The named exceptions, each a variable that cannot live in the context:
#   pluginContext   the root of the records itself
#   pluginDescriptor the record the host reads and writes through our export
#   keySpace, secondSpace, recordSpace  the sort's working memory, a cache kept
#                   from one sort to the next (worker only)
allowed="pluginContext pluginDescriptor keySpace secondSpace recordSpace"

folders=()
for folder in core link protocol library files plugin; do [ -d "$folder" ] && folders+=("$folder"); done

# Namespace-scope lines start in the first column (namespaces are not
# indented); a declaration there that is not constant, not a type, not a
# function and not an alias is a mutable variable.
status=0
find "${folders[@]}" \( -name '*.cpp' -o -name '*.h' \) -print0 | sort -z | xargs -0 awk -v allowed="$allowed" '
    BEGIN { n = split(allowed, names, " "); for (i = 1; i <= n; i++) ok[names[i]] = 1 }
    FNR == 1 { inComment = 0; files++ }
    {
        line = $0
        if (inComment) { if (line ~ /\*\//) inComment = 0; next }
        if (line ~ /^\/\*/) { if (line !~ /\*\//) inComment = 1; next }
        if (line !~ /^[A-Za-z_]/) next
        # A pointer to constant text is itself still a variable.
        constPointer = line ~ /^(static )?const [^=;{(]*\*[[:space:]]*[A-Za-z_]/ && line !~ /\*[[:space:]]*const[[:space:]]/
        if (!constPointer && line ~ /^(constexpr|const |static_assert|using |namespace|struct |class |enum |union |template|typedef|extern "C"|inline |consteval|#)/) next
        if (line ~ /^extern /) next
        # A declaration ends the statement on this line, or opens an initializer.
        code = line; sub(/\/\/.*$/, "", code)
        paren = index(code, "("); eq = index(code, "="); brace = index(code, "{")
        if (paren > 0 && (eq == 0 || paren < eq) && (brace == 0 || paren < brace)) next   # a function
        if (code !~ /;[[:space:]]*$/ && code !~ /[={][[:space:]]*$/ && code !~ /\{.*\};[[:space:]]*$/) next
        name = code; sub(/[[:space:]]*(=|\{|\[|;).*$/, "", name); sub(/^.*[[:space:]*&]/, "", name)
        if (name in ok) next
        print "state: " FILENAME ":" FNR ": " name " is a mutable variable at namespace scope" > "/dev/stderr"
        bad = 1
    }
    END {
        if (files == 0) { print "state: no files found" > "/dev/stderr"; exit 1 }
        if (!bad) print "state: " files " files checked, no mutable variable at namespace scope outside the context"
        exit bad
    }' || status=1

# The files that may read pluginContext: where it is declared and defined, and
# the entry points (init and quit, the configuration dialog, the host window
# hook, the minute timer). Everything below them is handed its records.
entryPoints="core/context.h core/context.cpp plugin/lifecycle.cpp plugin/config_dialog.cpp plugin/host_hook.cpp"
rootUses=0
while IFS= read -r -d '' file; do
    case " $entryPoints " in *" $file "*) continue ;; esac
    # Comments aside, a use is the name as a whole word.
    if hits=$(sed 's|//.*$||' "$file" | grep -n -w pluginContext); then
        while IFS= read -r hit; do
            echo "state: $file:${hit%%:*}: pluginContext read outside the entry points; pass the record instead" >&2
        done <<<"$hits"
        rootUses=1
    fi
done < <(find "${folders[@]}" \( -name '*.cpp' -o -name '*.h' \) -print0 | sort -z)
if [ "$rootUses" = 0 ]; then
    echo "state: pluginContext read only at the entry points"
else
    status=1
fi
exit "$status"

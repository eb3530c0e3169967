#!/usr/bin/env bash
# The vocabulary_agrees test: the vocabulary tool's JSON, then node's test
# runner on the web remote's check, which reads the JSON named by
# QUILLON_VOCABULARY. Exits 77 (skipped) when node is not installed.
# Usage: agrees.sh TOOL OUTPUT CHECK
set -euo pipefail
tool=$1 output=$2 check=$3
if ! command -v node >/dev/null; then
    echo "vocabulary_agrees: skipped, node is not installed (web/commands.js goes unchecked)"
    exit 77
fi
"$tool" >"$output"
QUILLON_VOCABULARY=$output node --test "$check"

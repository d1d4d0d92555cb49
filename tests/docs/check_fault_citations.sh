#!/usr/bin/env bash
# Fails when docs/faults.md cites a test that no longer exists: every
# "tst_NAME.cpp::function" must name a file under tests/ that defines that
# test function, every fuzz_NAME a fuzz target in tests/fuzz/. Lists each
# citation that is gone.
#
#     check_fault_citations.sh SOURCE-DIR
set -euo pipefail
root=$1
doc=$root/docs/faults.md
checked=0
gone=0

missing() {
    printf 'docs/faults.md cites %s, which no longer exists\n' "$1"
    gone=$((gone + 1))
}

while read -r citation; do
    checked=$((checked + 1))
    file=${citation%%::*}
    function=${citation#*::}
    path=$(find "$root/tests" -name "$file" -print -quit)
    if [ -z "$path" ] || ! grep -Eq "^[[:space:]]*void[[:space:]]+$function[[:space:]]*\(\)" "$path"; then
        missing "$citation"
    fi
done < <(grep -oE 'tst_[A-Za-z0-9_]+\.cpp::[A-Za-z_][A-Za-z0-9_]*' "$doc" | sort -u)

while read -r target; do
    checked=$((checked + 1))
    [ -f "$root/tests/fuzz/$target.cpp" ] || missing "$target"
done < <(grep -oE '\bfuzz_[a-z]+\b' "$doc" | sort -u)

# A document that cites nothing the check recognises is a changed format,
# not a pass.
if [ "$checked" -eq 0 ]; then
    echo "docs/faults.md cites no test in the form tst_NAME.cpp::function"
    exit 1
fi
if [ "$gone" -gt 0 ]; then
    exit 1
fi
echo "docs/faults.md: all $checked cited tests exist"

#!/usr/bin/env bash
# The size of the test suite against the code it tests: lines of C++ under tests/ and under
# src/ that are neither blank nor only a // comment, and their ratio.
set -euo pipefail
cd "$(dirname "$0")/.."
code() {
    local files
    mapfile -d '' files < <(git ls-files -z -co --exclude-standard "$1/*.cpp" "$1/*.h")
    if [ "${#files[@]}" -gt 0 ]; then cat -- "${files[@]}" | grep -v '^[[:space:]]*$' | grep -cv '^[[:space:]]*//' || true
    else echo 0; fi
}
t=$(code tests)
s=$(code src)
awk -v t="$t" -v s="$s" 'BEGIN { printf "tests: %d lines, src: %d lines of C++, ratio %.2f\n", t, s, s ? t / s : 0 }'

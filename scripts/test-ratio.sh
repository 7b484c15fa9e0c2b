#!/usr/bin/env bash
# The size of the test suite against the code it tests: non-blank lines of every file under
# tests/ (data included) and non-blank C++ lines under src/, and their ratio.
set -euo pipefail
cd "$(dirname "$0")/.."
nonblank() { if [ "$#" -gt 0 ]; then cat -- "$@" | grep -cv '^[[:space:]]*$' || true; else echo 0; fi; }
mapfile -d '' tests < <(git ls-files -z -co --exclude-standard tests)
mapfile -d '' code < <(git ls-files -z -co --exclude-standard 'src/*.cpp' 'src/*.h')
t=$(nonblank "${tests[@]}")
s=$(nonblank "${code[@]}")
awk -v t="$t" -v s="$s" 'BEGIN { printf "tests: %d lines, src: %d lines of C++, ratio %.2f\n", t, s, s ? t / s : 0 }'

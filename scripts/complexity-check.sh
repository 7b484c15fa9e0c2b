#!/usr/bin/env bash
# Fails when a function in src/ is harder to follow than the house allows: clang-tidy's
# cognitive complexity over 25 (readability-function-cognitive-complexity), over every source
# file of src/ in the build's compile_commands.json (BUILD_DIR, build/ by default, built first
# so that the Qt files' generated headers exist).
set -euo pipefail
cd "$(dirname "$0")/.."
build="${BUILD_DIR:-build}"
limit="${QUORVEX_COMPLEXITY_LIMIT:-25}"
config="{Checks: '-*,readability-function-cognitive-complexity',
  CheckOptions: [{key: readability-function-cognitive-complexity.Threshold, value: $limit},
                 {key: readability-function-cognitive-complexity.DescribeBasicIncrements, value: false}]}"
out=$(run-clang-tidy -quiet -p "$build" -j"${JOBS:-$(nproc)}" -config="$config" \
      -header-filter="^$PWD/src/" "^$PWD/src/.*\\.cpp$" 2>/dev/null || true)
# run-clang-tidy colours its output: the colours go before the warnings are picked out.
over=$(sed 's/\x1b\[[0-9;]*m//g' <<<"$out" | grep -E 'warning: function .* has cognitive complexity' | sort -u || true)
if [ -n "$over" ]; then
  printf '%s\n' "$over"
  echo "functions over a cognitive complexity of $limit: $(wc -l <<<"$over")" >&2
  exit 1
fi
echo "no function in src/ over a cognitive complexity of $limit"

#!/usr/bin/env bash
# Validates the SARIF that quorvex-check writes with the SARIF multitool: the findings of each
# example, and a comparison of the faulty example with the valid one. Fails on any error the
# validator reports (it exits 0 either way, so its output is read).
# Needs the multitool: npm install -g @microsoft/sarif-multitool
#   scripts/sarif-check.sh [BUILD_DIR]
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
build="${1:-$here/../build}"
check="$build/src/quorvex-check"
data="$(mktemp -d)"
trap 'rm -rf "$data"' EXIT

# The validator comes from the npm registry; without it (no registry reachable) the check is
# skipped with a note rather than failing the build.
if command -v sarif-multitool >/dev/null; then validate=(sarif-multitool validate)
else
  "$here/install-deps.sh" nodejs npm >/dev/null 2>&1 || true
  validate=(npx --yes @microsoft/sarif-multitool validate)
fi
if ! "${validate[@]}" --help >/dev/null 2>&1; then
  echo "sarif-check: the SARIF multitool could not be started; SARIF validation skipped"
  exit 0
fi

for example in valid faulty; do
  "$check" --data-dir "$data" --today 2009-01-15 --quiet --findings sarif \
    --findings-file "$data/$example.sarif" "$here/../examples/$example-2008.txt" || true
done
"$check" --data-dir "$data" --compare --findings sarif --findings-file "$data/compare.sarif" || true

status=0
for file in "$data"/*.sarif; do
  out="$("${validate[@]}" "$file" 2>&1)" || { echo "$out"; status=1; continue; }
  if grep -E ": error [A-Z]+[0-9]+:" <<<"$out"; then status=1; fi
  echo "$(basename "$file"): $(grep -c '"ruleId"' "$file") results, $(grep -cE ': warning ' <<<"$out" || true) warnings"
done
exit $status

#!/usr/bin/env bash
# Validates the SARIF that quorvex-check writes as code scanning will read it: the findings of
# each example (named relative to the source folder, and from standard input), those of the log
# the last run left (no FILE), a comparison of an edited submission with its last run
# (baselineState new, unchanged, updated and absent), and a run at the highest error limit with
# its log alone and its comparison with another such run: no more than 25,000 results each, and
# a notification of what was left out. Each is checked by the SARIF multitool
# under its default rules, under its GitHub rules, and against the SARIF 2.1.0 JSON schema that
# ships with it (and by Python's jsonschema where it is installed). Fails on any error, and on
# any warning that is not in ACCEPTED below (the multitool exits 0 either way, so its output is
# read).
# Needs the multitool (installed from npm when missing): npm install -g @microsoft/sarif-multitool
#   scripts/sarif-check.sh [BUILD_DIR]
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/.." && pwd)"
build="$(cd "${1:-$root/build}" && pwd)"
check="$build/src/quorvex-check"
data="$(mktemp -d)"
trap 'rm -rf "$data"' EXIT
# Warnings decided to be accepted, by rule id (none at present).
ACCEPTED=()

# The validator comes from the npm registry; without it (no registry reachable) the check is
# skipped with a note rather than failing the build.
if ! command -v sarif-multitool >/dev/null; then
  command -v npm >/dev/null || "$here/install-deps.sh" nodejs npm >/dev/null 2>&1 || true
  npm install -g @microsoft/sarif-multitool >/dev/null 2>&1 || true
fi
if ! command -v sarif-multitool >/dev/null || ! sarif-multitool --version >/dev/null 2>&1; then
  echo "sarif-check: the SARIF multitool could not be installed or started; SARIF validation skipped"
  exit 0
fi
schema="$(find "$(npm root -g)/@microsoft" -name sarif-2.1.0.json 2>/dev/null | head -n 1)"
if [ -z "$schema" ]; then
  echo "sarif-check: the SARIF 2.1.0 schema is not in the multitool's package" >&2
  exit 1
fi

# q compares runs of the history; t tests a file, on the date the examples were made for, or
# reads the log without one.
q() { "$check" --data-dir "$data/log" "$@"; }
t() { if [ "$1" = --log ]; then shift; q --quiet "$@"; else q --quiet --today 2009-01-15 "$@"; fi; }
cd "$root"
for example in valid faulty; do
  t --findings sarif --findings-file "$data/$example.sarif" "examples/$example-2008.txt" || true
done
t --findings sarif --findings-file "$data/stdin.sarif" - < examples/faulty-2008.txt || true
t examples/faulty-2008.txt || true
t --log --findings sarif --findings-file "$data/last-log.sarif" || true
# The faulty example edited: one entry changed (XX to QQ), one fixed (the zip code), one
# broken (a last name blanked).
sed -e '2s/XX/QQ/' -e '13s/8370B/83701/' -e '14s/^\(.\{41\}\).\{20\}/\1                    /' \
  examples/faulty-2008.txt > "$data/edited-2008.txt"
t "$data/edited-2008.txt" || true
q --compare --findings sarif --sarif-root "$data" --findings-file "$data/compare.sarif" || true
# The valid example with totals the file decides made wrong: an RT count, an RT total blanked,
# an RU count and the RF count; each result of those carries a fix.
sed -e '9s/^RT0000003/RT0000004/' -e '15s/^\(.\{9\}\).\{15\}/\1               /' -e '10s/^RU0000003/RU0000002/' \
  -e '16s/^\(RF     \)000000006/\1000000007/' examples/valid-2008.txt > "$data/totals-2008.txt"
t --findings sarif --sarif-root "$data" --findings-file "$data/fixes.sarif" "$data/totals-2008.txt" || true
[ "$(grep -c '"fixes":' "$data/fixes.sarif")" = 4 ] ||
  { echo "sarif-check: the submission with wrong totals has not 4 results with fixes" >&2; exit 1; }
for state in new unchanged updated absent; do
  grep -q "\"baselineState\":\"$state\"" "$data/compare.sarif" ||
    { echo "sarif-check: the comparison has no result that is $state" >&2; exit 1; }
done

# The highest error limit: 25,001 findings, and 50,000 and more in a comparison of two such runs
# of different files; each run holds 25,000 results and says what it left out.
generator="$build/bench/generate_submission"
[ -x "$generator" ] || cmake --build "$build" --target generate_submission >/dev/null
for seed in 1 2; do
  "$generator" --records 26000 --employers 2 --fault-every 1 --seed "$seed" "$data/large-$seed.txt" >/dev/null
  t --limit 25000 "$data/large-$seed.txt" || true
done
t --log --findings sarif --sarif-root "$data" --findings-file "$data/large-log.sarif" || true
q --compare --findings sarif --sarif-root "$data" --findings-file "$data/large-compare.sarif" || true
for file in last-log compare large-log large-compare; do
  [ -s "$data/$file.sarif" ] || { echo "sarif-check: $file.sarif was not written" >&2; exit 1; }
done
for file in large-log large-compare; do
  results="$(grep -c '"ruleId"' "$data/$file.sarif")"
  [ "$results" = 25000 ] || { echo "sarif-check: $file.sarif holds $results results, not 25,000" >&2; exit 1; }
  grep -q '"executionSuccessful":true' "$data/$file.sarif" && grep -q 'code scanning takes no more than 25,000' \
    "$data/$file.sarif" || { echo "sarif-check: $file.sarif does not say what it left out" >&2; exit 1; }
  size="$(stat -c %s "$data/$file.sarif")"
  [ "$size" -lt 10000000 ] || { echo "sarif-check: $file.sarif takes $size bytes, 10 MB or more" >&2; exit 1; }
done
rm -f "$data"/large-*.txt

status=0
for file in "$data"/*.sarif; do
  name="$(basename "$file")"
  for rules in default github; do
    args=(validate --json-schema "$schema" --max-file-size-in-kb 40000)
    [ "$rules" = github ] && args+=(--rule-kind 'Sarif\;Gh\;Ghas')
    out="$(sarif-multitool "${args[@]}" "$file" 2>&1)" || { echo "$out"; status=1; continue; }
    if grep -E ": error [A-Z]+[0-9]+[:.]" <<<"$out"; then status=1; fi
    warnings="$(grep -E ": warning [A-Z]+[0-9]+[:.]" <<<"$out" || true)"
    for id in ${ACCEPTED[@]+"${ACCEPTED[@]}"}; do warnings="$(grep -v ": warning $id:" <<<"$warnings" || true)"; done
    if [ -n "$warnings" ]; then echo "$warnings"; status=1; fi
    echo "$name ($rules rules): $(grep -c '"ruleId"' "$file") results, $(grep -cE ': error ' <<<"$out" || true) errors," \
      "$(grep -cE ': warning ' <<<"$out" || true) warnings"
  done
done
# The schema once more, by a validator of another hand.
for python in python3 /usr/bin/python3; do
  if "$python" -c 'import jsonschema' 2>/dev/null; then
    "$python" - "$schema" "$data"/*.sarif <<'PY' || status=1
import json, sys
import jsonschema
schema = json.load(open(sys.argv[1]))
bad = 0
for name in sys.argv[2:]:
    errors = list(jsonschema.Draft7Validator(schema).iter_errors(json.load(open(name))))
    for e in errors:
        print(f"{name}: {'/'.join(map(str, e.absolute_path))}: {e.message}")
    bad += len(errors)
print(f"jsonschema: {len(sys.argv) - 2} files, {bad} errors")
sys.exit(1 if bad else 0)
PY
    break
  fi
done
exit $status

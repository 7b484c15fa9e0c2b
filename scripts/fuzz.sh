#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, AddressSanitizer, UndefinedBehaviorSanitizer) into
# build-fuzz/ and runs each for SECONDS (default 60) from a seed corpus made of examples/
# and, when present, ../shared/peer/. Inputs that break a target are written to
# build-fuzz/crashes/TARGET/; keep each in fuzz/regressions/TARGET/ once it is mended.
# Exits non-zero when a target found something.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
scripts/install-deps.sh clang libclang-rt-14-dev llvm
export BUILD_DIR=build-fuzz
CC=clang CXX=clang++ scripts/build.sh -DQUORVEX_FUZZ=ON -DQUORVEX_BUILD_GUI=OFF -DQUORVEX_BUILD_TESTS=OFF \
  -DQUORVEX_BUILD_BENCH=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++

# Seeds: every submission whole (flags 0) and cut in two (flags 1, split in the middle)
# for the run; its records, alone and after their RE record, for the record checks; the
# files as they are for the cutter.
corpus="$BUILD_DIR/corpus"
rm -rf "$corpus/seed"
mkdir -p "$corpus/seed/cutter" "$corpus/seed/run" "$corpus/seed/record"
n=0
for file in examples/*.txt ../shared/peer/*.txt; do
  [ -f "$file" ] || continue
  n=$((n + 1))
  size=$(stat -c %s "$file")
  half=$((size / 2))
  { printf '\0\0\0\0'; cat "$file"; } >"$corpus/seed/cutter/$n"
  { printf '\0\0\0'; cat "$file"; } >"$corpus/seed/run/$n"
  { printf "\\001\\$(printf %o $((half % 256)))\\$(printf %o $((half / 256 % 256)))"; cat "$file"; } \
    >"$corpus/seed/run/$n-two"
  re=""
  r=0
  while IFS= read -r line || [ -n "$line" ]; do
    line="${line%$'\r'}"
    r=$((r + 1))
    printf '%s' "$line" >"$corpus/seed/record/$n-$r"
    case "$line" in
      RE*) re="$line" ;;
      RW* | RO* | RT* | RU*) [ -n "$re" ] && printf '%-512.512s%s' "$line" "$re" >"$corpus/seed/record/$n-$r-re" ;;
    esac
  done <"$file"
done

# Runs at the lowest priority: the machine is shared.
found=0
for target in cutter run record; do
  mkdir -p "$corpus/$target" "$BUILD_DIR/crashes/$target"
  max_len=$([ "$target" = run ] && echo 65536 || echo 4096)
  echo "== fuzz_$target: $seconds s"
  if ! nice -n 19 "$BUILD_DIR/fuzz/fuzz_$target" "$corpus/$target" "$corpus/seed/$target" \
      fuzz/regressions/$target -dict=fuzz/zrw5.dict -max_len="$max_len" -max_total_time="$seconds" \
      -timeout=30 -rss_limit_mb=4096 -print_final_stats=1 \
      -artifact_prefix="$BUILD_DIR/crashes/$target/" 2>"$BUILD_DIR/fuzz_$target.log"; then
    found=1
    tail -n 60 "$BUILD_DIR/fuzz_$target.log"
  fi
  grep -E '^(#[0-9]+.*DONE|stat::number_of_executed_units|stat::peak_rss_mb)' "$BUILD_DIR/fuzz_$target.log" || true
done
exit "$found"

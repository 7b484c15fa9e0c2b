#!/usr/bin/env bash
# Installs what is missing, builds and runs the whole test suite.
# With --sanitize: a separate build (build-sanitize/) under AddressSanitizer and
# UndefinedBehaviorSanitizer; with --tsan: one (build-tsan/) under ThreadSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
if [ "${1:-}" = "--sanitize" ]; then
  export BUILD_DIR=build-sanitize
  scripts/build.sh -DQUORVEX_SANITIZE=ON -DQUORVEX_BUILD_BENCH=OFF -DCMAKE_BUILD_TYPE=Debug
  export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:strict_string_checks=1"
  export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
elif [ "${1:-}" = "--tsan" ]; then
  export BUILD_DIR=build-tsan
  scripts/build.sh -DQUORVEX_TSAN=ON -DQUORVEX_BUILD_BENCH=OFF -DCMAKE_BUILD_TYPE=Debug
  export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:suppressions=$PWD/tests/tsan.supp"
else
  export BUILD_DIR=build
  scripts/build.sh
fi
ctest --test-dir "$BUILD_DIR" --output-on-failure -j"${JOBS:-2}"

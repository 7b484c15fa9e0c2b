#!/usr/bin/env bash
# Installs what is missing and builds; then, on a desktop, starts the desktop program, and on
# a machine without a display tests the faulty example submission with quorvex-check (its
# summary and its text report on standard output, in a program folder of its own that is
# removed afterwards) and says how to start the window on a desktop.
# The build goes to build/ (or the folder given as BUILD_DIR).
set -euo pipefail
cd "$(dirname "$0")/.."
build="${BUILD_DIR:-build}"
scripts/install-deps.sh
scripts/build.sh
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] || [ -n "${QT_QPA_PLATFORM:-}" ]; then
  exec "$build/src/quorvex" "$@"
fi
folder="$(mktemp -d)"
trap 'rm -rf "$folder"' EXIT
echo "No display: testing examples/faulty-2008.txt with $build/src/quorvex-check in a temporary program folder"
echo "(removed at the end) instead of starting the window."
echo
status=0
"$build/src/quorvex-check" --data-dir "$folder" --report text examples/faulty-2008.txt || status=$?
if [ -f "$folder/ErrorReport.txt" ]; then
  echo
  echo "The text report:"
  echo
  tr -d '\r' < "$folder/ErrorReport.txt"
fi
echo
echo "quorvex-check exited with $status (0: no errors, 1: errors found, 2: stopped by a critical error)."
echo "To start the window, run scripts/run.sh on a desktop, or $build/src/quorvex there."
# Errors found in the example are what it is for; only a run that could not test is a failure.
[ "$status" -le 2 ]

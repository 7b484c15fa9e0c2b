#!/usr/bin/env bash
# Configures and builds Quorvex into build/ (or the folder given as BUILD_DIR).
# Extra arguments are passed to CMake, e.g. -DQUORVEX_SANITIZE=ON.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${BUILD_DIR:-build}"
cmake -S . -B "$build" -G Ninja "$@" >/dev/null
ninja -C "$build" -j"${JOBS:-$(nproc)}"

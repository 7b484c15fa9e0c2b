#!/usr/bin/env bash
# Installs what is missing, builds and starts the desktop program.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "No display found: starting with QT_QPA_PLATFORM=offscreen (use build/src/quorvex-check on a headless machine)." >&2
  export QT_QPA_PLATFORM=offscreen
fi
exec build/src/quorvex "$@"

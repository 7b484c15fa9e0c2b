#!/usr/bin/env bash
# Reads the desktop program through the accessibility bus, as a screen reader does: the
# welcome screen, the records with errors, the tested records with a record in the field
# viewer, the report window and its print preview, help, About, the error limit dialog and
# the run history's windows (the comparison of two runs and the list of runs). Prints what a
# reader hears and fails when a control has no name, a window is no frame or dialog, or a
# grid's cell says it has the focus while the grid has not. In the windows with the field
# viewer, the report, its preview and help it presses Tab round the window and fails when
# the stops are more than they should be (the fields are one stop) or one has no name.
# Needs Xvfb, at-spi2-core, python3-pyatspi, dbus-run-session and xdotool; openbox is used
# when it is there (scripts/install-deps.sh --a11y installs them all).
#   scripts/a11y-check.sh [BUILD_DIR] [DISPLAY_NUMBER]
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
build="${1:-$here/../build}"
display="${2:-97}"
data="$(mktemp -d)"
trap 'kill $xvfb ${wm:-} 2>/dev/null || true; rm -rf "$data"' EXIT

Xvfb ":$display" -screen 0 1280x1024x24 >/dev/null 2>&1 &
xvfb=$!
sleep 1
if command -v openbox >/dev/null; then
  DISPLAY=":$display" openbox >/dev/null 2>&1 &
  wm=$!
fi
# A log with errors for the views to show.
# Two runs in the history for the comparison: the valid example, then the faulty one.
"$build/src/quorvex-check" --data-dir "$data" --quiet "$here/../examples/valid-2008.txt" >/dev/null 2>&1 || true
"$build/src/quorvex-check" --data-dir "$data" --quiet "$here/../examples/faulty-2008.txt" >/dev/null 2>&1 || true

DISPLAY=":$display" QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 data="$data" build="$build" here="$here" \
  dbus-run-session -- bash -c '
    /usr/libexec/at-spi-bus-launcher --launch-immediately >/dev/null 2>&1 &
    sleep 1
    "$build/src/quorvex" --data-dir "$data" >/dev/null 2>&1 &
    app=$!
    status=0
    echo "== welcome screen"
    /usr/bin/python3 "$here/a11y_tree.py" || status=1
    echo; echo "== records with errors"
    /usr/bin/python3 "$here/a11y_tree.py" --press "View Last Test Results" || status=1
    echo; echo "== tested records and the field viewer"
    /usr/bin/python3 "$here/a11y_tree.py" --press "View Tested Records" --tabs 12 || status=1
    echo; echo "== the report window (a text report)"
    /usr/bin/python3 "$here/a11y_tree.py" --press "View Error Report" --press "OK" --tabs 7 || status=1
    echo; echo "== print preview"
    /usr/bin/python3 "$here/a11y_tree.py" --press "Preview..." --tabs 9 || status=1
    echo; echo "== help"
    /usr/bin/python3 "$here/a11y_tree.py" --key Escape --press "Close" --menu "Contents" --tabs 10 || status=1
    echo; echo "== about"
    /usr/bin/python3 "$here/a11y_tree.py" --menu "About" || status=1
    echo; echo "== set error limit"
    /usr/bin/python3 "$here/a11y_tree.py" --press "OK" --menu "Set Error(s)" || status=1
    echo; echo "== compare with the previous run"
    /usr/bin/python3 "$here/a11y_tree.py" --press "Compare with Previous Run" || status=1
    echo; echo "== run history"
    /usr/bin/python3 "$here/a11y_tree.py" --menu "Run History" || status=1
    kill $app
    exit $status'

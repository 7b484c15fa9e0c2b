#!/usr/bin/env bash
# Builds the Debian package in build/ (or the folder given as BUILD_DIR) as an optimised build
# and checks it with lintian: any error or warning fails, and so does any hardening tag (which
# lintian only reports as information). Extra arguments are passed to CMake.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${BUILD_DIR:-build}"
command -v lintian >/dev/null || scripts/install-deps.sh lintian
BUILD_DIR="$build" scripts/build.sh -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
rm -f "$build"/quorvex_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls "$build"/quorvex_*.deb)
# lintian warns on standard error when it runs as root, as it does in CI: that notice is dropped,
# everything else it says there is passed on.
status=0
findings=$(lintian --fail-on error,warning --display-info "$deb" \
  2> >(grep -v -x 'running with root privileges is not recommended!' >&2)) || status=$?
[ -z "$findings" ] || printf '%s\n' "$findings"
if grep -q ' hardening-' <<<"$findings"; then
  echo "package.sh: $deb lacks hardening" >&2
  status=1
fi
if [ "$status" -ne 0 ]; then
  echo "package.sh: lintian found faults in $deb" >&2
  exit "$status"
fi
echo "$deb: lintian found no error and no warning"

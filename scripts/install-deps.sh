#!/usr/bin/env bash
# Installs the Debian 12 packages Quorvex needs to build, run and test (only what is missing).
# Further package names given as arguments are installed too (scripts/fuzz.sh adds clang's).
set -euo pipefail
packages=(cmake ninja-build g++ pkg-config libsqlite3-dev sqlite3 libgtest-dev
          qt6-base-dev qt6-base-dev-tools libgl-dev
          fonts-dejavu-core "$@")
missing=()
# The tests read printed pages back with pdftotext.
packages+=(poppler-utils)
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}"
fi

#!/usr/bin/env bash
# Installs the Debian 12 packages Quorvex needs to build, run and test (only what is missing).
# Further package names given as arguments are installed too (scripts/fuzz.sh adds clang's).
# --test-tools adds the programs the tests read the findings and the package files with (the
# editors' error lists, jq, the manual page and desktop file checkers, the MIME database);
# without them those tests are skipped with a note. CI installs them. --a11y adds what
# scripts/a11y-check.sh reads the windows with (a virtual display, a window manager, the
# accessibility bus, key presses).
set -euo pipefail
extra=()
for a in "$@"; do
  if [ "$a" = "--test-tools" ]; then
    extra+=(vim emacs-nox jq python3 python3-jsonschema mandoc desktop-file-utils appstream
            shared-mime-info xdg-utils libfile-mimeinfo-perl)
  elif [ "$a" = "--a11y" ]; then
    extra+=(xvfb openbox xdotool at-spi2-core python3-pyatspi dbus)
  else
    extra+=("$a")
  fi
done
packages=(cmake ninja-build g++ pkg-config libsqlite3-dev sqlite3 libgtest-dev
          qt6-base-dev qt6-base-dev-tools libgl-dev
          fonts-dejavu-core ${extra[@]+"${extra[@]}"})
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

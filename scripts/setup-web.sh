#!/usr/bin/env bash
# Installs what the web build needs on Debian 12, only what is missing: Debian's emscripten and the
# headless chromium the web tests drive, and a deb-src entry for the mirror the machine already uses
# (scripts/web-deps.sh builds the third-party libraries from Debian's source packages). Run as root
# (or with sudo available). Safe to run again.
set -euo pipefail

packages=(
  # the compiler: emcc 3.1.6 with Debian's clang, lld and binaryen; node modules for its optimiser
  emscripten
  # fetching and unpacking Debian's source packages
  dpkg-dev
  # building SDL2 and libopenmpt for the web
  cmake ninja-build make autoconf automake libtool pkg-config
  # the web tests: the browser and the local web server
  chromium python3 imagemagick
)

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive

# A deb-src twin of the main archive's entries in debian.sources, so `apt-get source` reaches the
# same mirror. The security archive is left out: its mirror does not always carry the sources, and
# a source package listed there but not served would make `apt-get source` fail.
src_list=/etc/apt/sources.list.d/v4npelva-deb-src.sources
updated=0
if [ ! -f "$src_list" ] && [ -f /etc/apt/sources.list.d/debian.sources ]; then
  awk 'BEGIN { RS = ""; ORS = "\n\n" } /^Types:[^\n]*deb/ && !/debian-security/ {
         sub(/Types:[^\n]*/, "Types: deb-src"); print }' /etc/apt/sources.list.d/debian.sources |
    $SUDO tee "$src_list" >/dev/null
  $SUDO apt-get update -qq
  updated=1
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "setup-web: all packages present"
  exit 0
fi

echo "setup-web: installing ${missing[*]}"
if [ "$updated" -eq 0 ]; then $SUDO apt-get update -qq; fi
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"

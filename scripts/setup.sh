#!/usr/bin/env bash
# Installs the Debian packages the project needs, only those that are missing. Run as root
# (or with sudo available) on Debian 12. Safe to run again: it does nothing when all are present.
#
#   scripts/setup.sh          the native build, its tests and the Debian package
#   scripts/setup.sh --web    also the web build: Debian's emscripten, the headless chromium its
#                             tests drive, and a deb-src entry for the mirror the machine already
#                             uses (scripts/web-deps.sh builds the libraries from Debian's sources)
set -euo pipefail

web=0
case "${1:-}" in
  "") ;;
  --web) web=1 ;;
  *) echo "usage: scripts/setup.sh [--web]" >&2; exit 2 ;;
esac

packages=(
  # build
  build-essential cmake ninja-build pkg-config clang libclang-rt-14-dev clang-format
  # the Debian package: dpkg-shlibdeps declares its library dependencies; Debian's checks of the
  # package, its desktop entry and its AppStream metainfo
  dpkg-dev lintian desktop-file-utils appstream
  # engine libraries
  libsdl2-dev libsdl2-ttf-dev libopenmpt-dev libjpeg62-turbo-dev zlib1g-dev libstb-dev
  # recording to video
  libavformat-dev libavcodec-dev
  # tests and benchmarks
  googletest libgtest-dev libbenchmark-dev
  # content generation (fonts for the title pictures) and tools to look at the output
  fonts-dejavu-core sox
  # the real window under a virtual X server, for the display tests: key presses, screenshots
  xvfb xauth xdotool x11-apps imagemagick
)
if [ "$web" -eq 1 ]; then
  packages+=(
    # the compiler: emcc 3.1.6 with Debian's clang, lld and binaryen; node modules for its optimiser
    emscripten
    # building SDL2 and libopenmpt for the web from their source packages
    make autoconf automake libtool
    # the web tests: the browser and the local web server
    chromium python3
  )
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
updated=0

# For the web build, a deb-src twin of the main archive's entries in debian.sources, so
# `apt-get source` reaches the same mirror. The security archive is left out: its mirror does not
# always carry the sources, and a source package listed there but not served would make
# `apt-get source` fail.
src_list=/etc/apt/sources.list.d/v4npelva-deb-src.sources
if [ "$web" -eq 1 ] && [ ! -f "$src_list" ] && [ -f /etc/apt/sources.list.d/debian.sources ]; then
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
  echo "setup: all packages present"
  exit 0
fi

echo "setup: installing ${missing[*]}"
if [ "$updated" -eq 0 ]; then $SUDO apt-get update -qq; fi
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"

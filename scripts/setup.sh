#!/usr/bin/env bash
# Installs the Debian packages the project needs, only those that are missing. Run as root
# (or with sudo available) on Debian 12. Safe to run again: it does nothing when all are present.
set -euo pipefail

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
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"

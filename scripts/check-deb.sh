#!/usr/bin/env bash
# Builds the Debian package from a configured and built tree (default build/release), lists it and
# checks that it holds the programs, the data files, the desktop entry, the icon and the manual
# page, and that it declares the shared libraries the programs need. Exit 0 when all are there.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/release}

rm -f "$build"/v4npelva_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls "$build"/v4npelva_*.deb)
echo "check-deb: $deb"
dpkg-deb -c "$deb"
listing=$(dpkg-deb -c "$deb")
missing=0
for file in usr/bin/v4npelva usr/bin/zempack usr/share/v4npelva/v4npelva.zem \
            usr/share/v4npelva/v4npelva.xm usr/share/v4npelva/icon_1.bmp \
            usr/share/applications/v4npelva.desktop \
            usr/share/icons/hicolor/32x32/apps/v4npelva.png usr/share/man/man6/v4npelva.6; do
  if ! grep -q " \./$file\$" <<<"$listing"; then
    echo "check-deb: $file is not in the package" >&2
    missing=1
  fi
done
depends=$(dpkg-deb -f "$deb" Depends)
echo "check-deb: Depends: $depends"
for library in libsdl2-2.0-0 libsdl2-ttf-2.0-0 libopenmpt0 libjpeg62-turbo libstdc++6; do
  if ! grep -q "$library" <<<"$depends"; then
    echo "check-deb: the package does not depend on $library" >&2
    missing=1
  fi
done
exit $missing

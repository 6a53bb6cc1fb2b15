#!/usr/bin/env bash
# Builds the Debian package from a configured and built tree (default build/release), lists it and
# checks that it holds the programs, the data files, the desktop entry, the metainfo, the icon, the
# manual pages, the copyright file and the changelog, and that it declares the shared libraries the
# programs need; then Debian's own checks: lintian on the package (any error or warning fails),
# desktop-file-validate on the desktop entry and appstreamcli on the metainfo. Exit 0 when all pass.
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
            usr/share/icons/hicolor/32x32/apps/v4npelva.png usr/share/man/man6/v4npelva.6.gz \
            usr/share/man/man1/zempack.1.gz usr/share/metainfo/org.example.v4npelva.metainfo.xml \
            usr/share/doc/v4npelva/copyright usr/share/doc/v4npelva/changelog.gz; do
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

# lintian as a user would run it: errors and warnings fail, notes and pedantic tags do not.
echo "check-deb: lintian"
if ! lintian --fail-on error,warning "$deb"; then
  echo "check-deb: lintian reports errors or warnings" >&2
  missing=1
fi
echo "check-deb: desktop-file-validate"
if ! desktop-file-validate dist/v4npelva.desktop; then
  missing=1
fi
echo "check-deb: appstreamcli validate"
# --no-net: the screenshot's address is not fetched (CI has no network).
if ! appstreamcli validate --no-net dist/v4npelva.metainfo.xml; then
  missing=1
fi
exit $missing

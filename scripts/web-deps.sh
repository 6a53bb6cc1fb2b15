#!/usr/bin/env bash
# Builds the third-party libraries of the web build (SDL2, libopenmpt, libjpeg-turbo, zlib) with
# emcc from Debian's source packages, into a cache: DIR/prefix/{include,lib}. A library whose stamp
# file exists is not built again, so only the first web build pays for them (several minutes).
#
#   scripts/web-deps.sh [DIR]     (default: build/web-deps)
#
# Needs scripts/setup.sh --web first (emscripten, dpkg-dev, a deb-src entry). Nothing is fetched but
# Debian's source packages, through apt-get.
set -euo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
dir=${1:-$top/build/web-deps}
mkdir -p "$dir"
dir=$(cd "$dir" && pwd)
src=$dir/src
work=$dir/build
prefix=$dir/prefix
mkdir -p "$src" "$work" "$prefix/include" "$prefix/lib"
# One build of the cache at a time (a configure may start while another still builds it).
exec 9>"$dir/.lock"
flock 9

# Debian's emcc wants Debian's node modules (acorn and friends) for its optimiser.
export NODE_PATH=/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}
jobs=${V4N_WEB_JOBS:-2}

# Unpacks Debian's source package $1 into $src once; prints the unpacked folder.
fetch() {
  local package=$1
  local found
  found=$(find "$src" -maxdepth 1 -mindepth 1 -type d -name "$package-*" | head -n 1)
  if [ -z "$found" ]; then
    (cd "$src" && apt-get source -qq "$package" >&2)
    found=$(find "$src" -maxdepth 1 -mindepth 1 -type d -name "$package-*" | head -n 1)
  fi
  if [ -z "$found" ]; then
    echo "web-deps: apt-get source $package gave no folder (is there a deb-src entry?" \
      "run scripts/setup.sh --web)" >&2
    exit 1
  fi
  echo "$found"
}

# Ends the script with the tail of a failed library's log.
fail() {
  echo "web-deps: building $1 failed; the end of $work/$1.log:" >&2
  tail -n 30 "$work/$1.log" >&2
  exit 1
}

built() { [ -f "$prefix/.$1.done" ]; }
done_() { touch "$prefix/.$1.done"; echo "web-deps: $1 built ($(( $(date +%s) - $2 )) s)"; }

if ! built zlib; then
  start=$(date +%s)
  s=$(fetch zlib)
  rm -rf "$work/zlib" && cp -a "$s" "$work/zlib"
  (cd "$work/zlib" && CHOST=wasm32 emconfigure ./configure --static --prefix="$prefix" &&
    emmake make -j"$jobs" libz.a) >"$work/zlib.log" 2>&1 || fail zlib
  cp "$work/zlib/libz.a" "$prefix/lib/"
  cp "$work/zlib/zlib.h" "$work/zlib/zconf.h" "$prefix/include/"
  done_ zlib "$start"
fi

if ! built jpeg; then
  start=$(date +%s)
  s=$(fetch libjpeg-turbo)
  rm -rf "$work/jpeg" && mkdir -p "$work/jpeg"
  # Its type size checks run a test program, which fails under emcmake: wasm32's sizes are given.
  (cd "$work/jpeg" && emcmake cmake "$s" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$prefix" -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_SIMD=OFF \
    -DWITH_TURBOJPEG=OFF -DWITH_JAVA=OFF -DCMAKE_POSITION_INDEPENDENT_CODE=OFF \
    -DSIZE_T=4 -DHAVE_SIZE_T=TRUE -DUNSIGNED_LONG=4 -DHAVE_UNSIGNED_LONG=TRUE &&
    ninja -j"$jobs" jpeg-static) >"$work/jpeg.log" 2>&1 || fail jpeg
  cp "$work/jpeg/libjpeg.a" "$prefix/lib/"
  cp "$s/jpeglib.h" "$s/jmorecfg.h" "$s/jerror.h" "$work/jpeg/jconfig.h" "$prefix/include/"
  done_ jpeg "$start"
fi

if ! built sdl2; then
  start=$(date +%s)
  s=$(fetch libsdl2)
  rm -rf "$work/sdl2" && mkdir -p "$work/sdl2"
  (cd "$work/sdl2" && emcmake cmake "$s" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$prefix" -DSDL_SHARED=OFF -DSDL_STATIC=ON -DSDL_TEST=OFF \
    && ninja -j"$jobs" && ninja install) >"$work/sdl2.log" 2>&1 || fail sdl2
  done_ sdl2 "$start"
fi

if ! built openmpt; then
  start=$(date +%s)
  s=$(fetch libopenmpt)
  rm -rf "$work/openmpt" && cp -a "$s" "$work/openmpt"
  (cd "$work/openmpt" && emconfigure ./configure --host=wasm32 --prefix="$prefix" \
    --disable-shared --enable-static --disable-openmpt123 --disable-examples --disable-tests \
    --disable-doxygen-doc --without-zlib --without-mpg123 --without-ogg --without-vorbis \
    --without-vorbisfile --without-portaudio --without-portaudiocpp --without-pulseaudio \
    --without-sndfile --without-flac && emmake make -j"$jobs" && emmake make install) \
    >"$work/openmpt.log" 2>&1 || fail openmpt
  done_ openmpt "$start"
fi

echo "web-deps: ready in $prefix"

#!/usr/bin/env bash
# Puts the show's data files (archive and module) into the web site folder, from the native
# release tree whose generators make them; configures and builds that tree's generators first
# when they are missing.
#   scripts/web-data.sh SOURCE_DIR NATIVE_DIR SITE_DIR
set -euo pipefail
source_dir=$1 native=$2 site=$3
# The native tree is built with the host's compilers, whatever the web build's environment says.
unset CC CXX EMCC_CFLAGS
if [ ! -f "$native/CMakeCache.txt" ]; then
  cmake -S "$source_dir" -B "$native" -G Ninja -DCMAKE_BUILD_TYPE=Release
fi
cmake --build "$native" --target v4npelva_content v4npelva_music
for f in v4npelva.zem v4npelva.xm; do
  cp "$native/$f" "$site/$f"
done

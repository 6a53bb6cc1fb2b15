#!/usr/bin/env bash
# Lists the tracked C++ files that clang-format (with the repository's .clang-format) would
# change, and exits 1 if there is any; 0 when every file is formatted. CLANG_FORMAT names
# another binary (default: clang-format-14, else clang-format).
set -euo pipefail
cd "$(dirname "$0")/.."

format=${CLANG_FORMAT:-}
if [ -z "$format" ]; then
  if command -v clang-format-14 >/dev/null; then format=clang-format-14; else format=clang-format; fi
fi
if ! command -v "$format" >/dev/null; then
  echo "check-format: $format not found (Debian package clang-format)" >&2
  exit 2
fi

unformatted=0
while IFS= read -r -d '' file; do
  if ! "$format" --style=file --dry-run -Werror "$file" >/dev/null 2>&1; then
    echo "$file"
    unformatted=$((unformatted + 1))
  fi
done < <(git ls-files -z -- '*.cpp' '*.h')

if [ "$unformatted" -gt 0 ]; then
  echo "check-format: $unformatted file(s) not formatted; run $format -i on them" >&2
  exit 1
fi
echo "check-format: every file is formatted"

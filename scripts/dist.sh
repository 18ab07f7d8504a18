#!/usr/bin/env bash
# Leaves dist/Zorvik.exe, and nothing else, ready to copy beside upx.exe.
#   scripts/dist.sh              builds with scripts/build.sh first and takes build/win/Zorvik.exe
#   scripts/dist.sh BUILD_DIR    takes BUILD_DIR/Zorvik.exe as it is (the CMake target "dist")
# Prints the exe's size; fails when scripts/check-exe.sh finds fault with it (not a 32-bit GUI
# exe, or a DLL import that Windows does not ship) or when it is larger than 160 KiB.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
if [ $# -eq 0 ]; then
  scripts/build.sh
  exe=build/win/Zorvik.exe
else
  exe=$1/Zorvik.exe
fi
scripts/check-exe.sh "$exe" i686
# Zorvik is one small exe; what it links is listed by bench/runtime-pieces.sh on its link map.
size=$(stat -c %s "$exe")
if [ "$size" -gt 163840 ]; then
  echo "dist.sh: $exe has $size bytes, more than 160 KiB (163,840);" \
    "see bench/runtime-pieces.sh $(dirname "$exe")/Zorvik.map" >&2
  exit 1
fi

rm -rf dist
mkdir dist
cp "$exe" dist/Zorvik.exe
echo "dist/Zorvik.exe: $(stat -c %s dist/Zorvik.exe) bytes"

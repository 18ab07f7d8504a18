#!/usr/bin/env bash
# Leaves dist/Zorvik.exe, and nothing else, ready to copy beside upx.exe.
#   scripts/dist.sh              builds with scripts/build.sh first and takes build/win/Zorvik.exe
#   scripts/dist.sh BUILD_DIR    takes BUILD_DIR/Zorvik.exe as it is (the CMake target "dist")
# Prints the exe's size and the DLLs it imports; fails when one of them is not shipped by Windows
# or when the exe is larger than 160 KiB.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
if [ $# -eq 0 ]; then
  scripts/build.sh
  exe=build/win/Zorvik.exe
else
  exe=$1/Zorvik.exe
fi
[ -f "$exe" ] || { echo "dist.sh: $exe is missing" >&2; exit 1; }

imports=$(i686-w64-mingw32-objdump -p "$exe" | sed -n 's/.*DLL Name: //p')
foreign=$(echo "$imports" | grep -viE '^(kernel32|user32|gdi32|shell32|shlwapi|advapi32|comdlg32|msvcrt)\.dll$' || true)
if [ -n "$foreign" ]; then
  echo "dist.sh: $exe imports DLLs that Windows does not ship: $foreign" >&2
  exit 1
fi
i686-w64-mingw32-objdump -f "$exe" | grep -q 'file format pei-i386' ||
  { echo "dist.sh: $exe is not a 32-bit Windows exe" >&2; exit 1; }
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
echo "dist/Zorvik.exe: $(stat -c %s dist/Zorvik.exe) bytes; imports: $(echo $imports)"

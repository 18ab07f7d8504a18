#!/usr/bin/env bash
# Builds Zorvik.exe and its Windows-side tests.
#   scripts/build.sh            the product: 32-bit, in build/win
#   scripts/build.sh x86_64     the same sources for 64-bit Windows, in build/win64 (the
#                               Wine-side tests run on it where Wine runs only 64-bit programs)
# Fails on any compiler warning, and when the exe is not a GUI program of the expected kind
# or imports a DLL that Windows does not ship.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
arch=${1:-i686}
case $arch in
  i686) build=build/win format=pei-i386 ;;
  x86_64) build=build/win64 format=pei-x86-64 ;;
  *) echo "usage: scripts/build.sh [i686|x86_64]" >&2; exit 2 ;;
esac
cmake -S . -B $build -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-$arch.cmake \
  -DCMAKE_COMPILE_WARNING_AS_ERROR=ON >/dev/null
cmake --build $build
exe=$build/Zorvik.exe
headers=$($arch-w64-mingw32-objdump -f -p $exe)
grep -q "file format $format" <<<"$headers" || { echo "$exe is not a $format exe" >&2; exit 1; }
grep -q '^Subsystem.*(Windows GUI)' <<<"$headers" ||
  { echo "$exe is not a Windows GUI program" >&2; exit 1; }
# The exe must need nothing but what Windows ships.
imports=$(sed -n 's/.*DLL Name: //p' <<<"$headers")
foreign=$(echo "$imports" | grep -viE '^(kernel32|user32|gdi32|shell32|shlwapi|advapi32|comdlg32|msvcrt)\.dll$' || true)
if [ -n "$foreign" ]; then
  echo "$exe imports DLLs that Windows does not ship: $foreign" >&2
  exit 1
fi
echo "$exe: $(stat -c %s $exe) bytes; imports: $(echo $imports)"

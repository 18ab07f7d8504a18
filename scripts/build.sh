#!/usr/bin/env bash
# Builds Zorvik.exe and its Windows-side tests.
#   scripts/build.sh            the product: 32-bit, in build/win
#   scripts/build.sh x86_64     the same sources for 64-bit Windows, in build/win64 (the
#                               Wine-side tests run on it where Wine runs only 64-bit programs)
#   scripts/build.sh i686 Zorvik    only the named targets (scripts/dist.sh: the exe alone)
# Fails on any compiler warning, and when the exe is not a GUI program of the expected kind
# or imports a DLL that Windows does not ship.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
arch=${1:-i686}
case $arch in
  i686) build=build/win ;;
  x86_64) build=build/win64 ;;
  *) echo "usage: scripts/build.sh [i686|x86_64]" >&2; exit 2 ;;
esac
cmake -S . -B $build -G Ninja --no-warn-unused-cli -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-$arch.cmake \
  -DCMAKE_COMPILE_WARNING_AS_ERROR=ON >/dev/null
if [ $# -gt 1 ]; then
  cmake --build $build --target "${@:2}"
else
  cmake --build $build
fi
scripts/check-exe.sh $build/Zorvik.exe $arch

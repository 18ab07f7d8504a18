#!/usr/bin/env bash
# Builds everything and runs every test: native unit tests (plain and with
# AddressSanitizer and UndefinedBehaviorSanitizer), a short fuzzing run of every
# parser (scripts/fuzz.sh 600 runs a longer one), the unit tests on the real
# Windows C runtime under Wine, and the end-to-end tests of Zorvik.exe under Wine
# on a virtual display.
#
# The 32-bit Zorvik.exe is always built and checked. The Wine-side steps run on it
# where this machine can run 32-bit programs; where it cannot, they run on a 64-bit
# build of the same sources under 64-bit Wine (ZORVIK_WINE_BITS=32 or 64 forces one).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
scripts/setup-debian.sh
started=$(date +%s)
# shellcheck source=../tests/e2e/wine-env.sh
. tests/e2e/wine-env.sh
bits=$(wine_bits)
wine_build=$(wine_build_dir "$root")
where="the Wine-side tests run on the $bits-bit build, ${wine_build#"$root"/}"
if [ -n "${ZORVIK_WINE_BITS:-}" ]; then
  where+=" (chosen by ZORVIK_WINE_BITS)"
elif [ "$bits" = 64 ]; then
  where+=" (this machine cannot run 32-bit programs)"
fi
echo "== $where"

echo "== native unit tests"
cmake -S . -B build/native -G Ninja >/dev/null
cmake --build build/native
ctest --test-dir build/native --output-on-failure

echo "== native unit tests with sanitizers"
cmake -S . -B build/sanitize -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DCMAKE_CXX_FLAGS="-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer" >/dev/null
cmake --build build/sanitize
ctest --test-dir build/sanitize --output-on-failure

echo "== fuzzing, 10 s per target"
scripts/fuzz.sh 10

echo "== Windows build: the 32-bit product"
scripts/build.sh
scripts/dist.sh build/win  # the exe users get: at most 160 KiB
if [ "$bits" = 64 ]; then
  echo "== Windows build: 64-bit, for the Wine-side tests"
  scripts/build.sh x86_64
fi

wine_prefix_setup "$wine_build"
echo "== unit tests under Wine (msvcrt), $bits-bit"
wine "$wine_build/tests/unit/zorvik_unit_tests.exe" --gtest_brief=1
wineserver -w

echo "== end-to-end tests under Wine, $bits-bit"
tests/e2e/run.sh "$wine_build"

echo "== all tests passed in $(( $(date +%s) - started )) s; $where"

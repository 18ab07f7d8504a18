#!/usr/bin/env bash
# Builds everything and runs every test: native unit tests (plain and with
# AddressSanitizer and UndefinedBehaviorSanitizer), the unit tests on the real
# Windows C runtime under Wine, and the end-to-end tests of Zorvik.exe under
# Wine on a virtual display. A short fuzzing run of every parser comes first;
# scripts/fuzz.sh 600 runs a longer one.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
scripts/setup-debian.sh
started=$(date +%s)

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

echo "== Windows build"
scripts/build.sh

# One Wine prefix for the unit and the end-to-end tests.
export ZORVIK_WINEPREFIX=${ZORVIK_WINEPREFIX:-$root/build/wine-prefix}
export WINEPREFIX=$ZORVIK_WINEPREFIX WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "== preparing the Wine prefix (once, about 15 s)"
  mkdir -p "$WINEPREFIX"
  wineboot -i >/dev/null 2>&1
  wineserver -w
fi

echo "== unit tests under Wine (msvcrt)"
wine build/win/tests/unit/zorvik_unit_tests.exe --gtest_brief=1
wineserver -w

echo "== end-to-end tests under Wine"
tests/e2e/run.sh build/win

echo "== all tests passed in $(( $(date +%s) - started )) s"

#!/usr/bin/env bash
# Builds everything and runs every test: native unit tests (plain and with
# AddressSanitizer and UndefinedBehaviorSanitizer), the unit tests on the real
# Windows C runtime under Wine, and the end-to-end tests of Zorvik.exe under
# Wine on a virtual display.
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

echo "== Windows build"
scripts/build.sh

export WINEPREFIX=${WINEPREFIX:-$root/build/wine-prefix} WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
[ -d "$WINEPREFIX" ] || { echo "== preparing the Wine prefix"; wineboot -i >/dev/null 2>&1; wineserver -w; }

echo "== unit tests under Wine (msvcrt)"
wine build/win/tests/unit/zorvik_unit_tests.exe --gtest_brief=1

echo "== end-to-end tests under Wine"
tests/e2e/run.sh build/win

echo "== all tests passed in $(( $(date +%s) - started )) s"

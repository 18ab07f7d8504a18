#!/usr/bin/env bash
# Builds Zorvik.exe and starts it under Wine, beside a stand-in upx.exe that
# records its calls in build/run/upx-calls.log (put UPX's own upx.exe there
# to pack for real). Without a display it runs on a virtual one, saves a
# screenshot and prints its path.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
scripts/setup-debian.sh
scripts/build.sh
mkdir -p build/run
cp build/win/Zorvik.exe build/run/
[ -f build/run/upx.exe ] || cp build/win/tests/e2e/upx.exe build/run/
export ZORVIK_WINEPREFIX=${ZORVIK_WINEPREFIX:-$root/build/wine-prefix}
export WINEPREFIX=$ZORVIK_WINEPREFIX WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
if [ -n "${DISPLAY:-}" ]; then
  [ -f "$WINEPREFIX/system.reg" ] || wineboot -i
  exec wine build/run/Zorvik.exe "$@"
fi
tests/e2e/screenshot.sh build/win "$root/build/zorvik-main-window.png"

#!/usr/bin/env bash
# Builds Zorvik.exe and starts it under Wine, beside a stand-in upx.exe that
# records its calls in build/run/upx-calls.log (put UPX's own upx.exe there
# to pack for real). Without a display it runs on a virtual one, saves a
# screenshot and prints its path.
# Where this machine cannot run 32-bit programs, it starts a 64-bit build of the
# same sources under 64-bit Wine instead; the first line printed says which.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
scripts/setup-debian.sh
# shellcheck source=../tests/e2e/wine-env.sh
. tests/e2e/wine-env.sh
bits=$(wine_bits)
build=$(wine_build_dir "$root")
echo "== Zorvik runs here as the $bits-bit build, ${build#"$root"/}"
scripts/build.sh
if [ "$bits" = 64 ]; then scripts/build.sh x86_64; fi
mkdir -p build/run
cp "$build/Zorvik.exe" build/run/
[ -f build/run/upx.exe ] || cp "$build/tests/e2e/upx.exe" build/run/
if [ -n "${DISPLAY:-}" ]; then
  wine_prefix_setup "$build"
  exec wine build/run/Zorvik.exe "$@"
fi
tests/e2e/screenshot.sh "$build" "$root/build/zorvik-main-window.png"

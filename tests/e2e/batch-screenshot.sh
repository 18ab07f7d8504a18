#!/usr/bin/env bash
# Screenshot of Zorvik's batch window with a few files in it, under Wine on a private display.
#   tests/e2e/batch-screenshot.sh BUILD_DIR OUT.png
# Zorvik runs inside Wine's own desktop (so the windows have their captions); the drop
# benchmark's helper mode drops three paths on the main window, which opens the batch window.
# The desktop is ZORVIK_SHOT_SIZE (640x480) large; ZORVIK_DPI=192 shows it at 200 %. Prints the
# PNG's path.
set -u
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:?usage: batch-screenshot.sh BUILD_DIR OUT.png}" && pwd) || exit 2
out=${2:?usage: batch-screenshot.sh BUILD_DIR OUT.png}
case $out in /*) ;; *) out=$PWD/$out ;; esac
helper=$("$here/../../bench/drop-bench.sh" --build-only "$build") || exit 2

# shellcheck source=wine-env.sh
. "$here/wine-env.sh"
size=${ZORVIK_SHOT_SIZE:-640x480}
wine_env_setup "$build" own-display "$size" || exit 2

shot=$build/batch-screenshot
rm -rf "$shot" && mkdir -p "$shot" || exit 2
cp "$build/Zorvik.exe" "$build/tests/e2e/upx.exe" "$shot/" || exit 2
ready=$shot/ready.txt
wine explorer /desktop=shot,"$size" "$helper" --show "$(to_windows_path "$shot/Zorvik.exe")" \
  "$(to_windows_path "$ready")" 'C:\Tools\packme.exe' 'C:\Tools\helper.dll' \
  'D:\Games\Launcher.EXE' >/dev/null 2>&1 &
for _ in $(seq 600); do
  [ -s "$ready" ] && break
  sleep 0.1
done
if [ ! -s "$ready" ]; then
  echo "batch-screenshot.sh: Zorvik showed no batch window within 60 s" >&2
  exit 1
fi
sleep 1  # let both windows paint
mkdir -p "$(dirname "$out")"
import -window root "$out" || exit 1
echo "$out"

#!/usr/bin/env bash
# Screenshot of Zorvik's main window under Wine, on a private virtual display.
#   tests/e2e/screenshot.sh BUILD_DIR OUT.png [COMMAND_LINE_TAIL [BUTTON:MS ...]]
# Zorvik runs inside Wine's own desktop (so the window has its caption), started beside the
# stand-in upx.exe with exactly the tail given; each BUTTON:MS clicks that button of the main
# window (or chooses that menu command, such as 900 for Test File) after MS milliseconds, and
# each WIDTHxHEIGHT:MS sizes the results window, before the shot. The desktop is
# ZORVIK_SHOT_SIZE (640x480) large; ZORVIK_DPI=192 shows it at 200 %; ZORVIK_HIGH_CONTRAST=1
# sets a high-contrast palette; ZORVIK_SHOT_SETTINGS, when set, goes into zir.cfg beside Zorvik
# first (for the menu's check marks); the stand-in's knobs (ZORVIK_FAKE_UPX_*) pass through.
# Prints the PNG's path.
set -u
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:?usage: screenshot.sh BUILD_DIR OUT.png [TAIL]}" && pwd) || exit 2
out=${2:?usage: screenshot.sh BUILD_DIR OUT.png [TAIL]}
tail=${3:-}
case $out in /*) ;; *) out=$PWD/$out ;; esac
driver=$build/tests/e2e/zorvik_e2e.exe
for file in "$build/Zorvik.exe" "$build/tests/e2e/upx.exe" "$driver"; do
  [ -f "$file" ] || { echo "screenshot.sh: $file is missing; build first" >&2; exit 2; }
done

# shellcheck source=wine-env.sh
. "$here/wine-env.sh"
size=${ZORVIK_SHOT_SIZE:-640x480}
wine_env_setup "$build" own-display "$size" || exit 2

shot=$build/screenshot
rm -rf "$shot" && mkdir -p "$shot" || exit 2
cp "$build/Zorvik.exe" "$build/tests/e2e/upx.exe" "$shot/" || exit 2
[ -z "${ZORVIK_SHOT_SETTINGS:-}" ] || printf '%s' "$ZORVIK_SHOT_SETTINGS" >"$shot/zir.cfg" || exit 2
ready=$shot/ready.txt
wine explorer /desktop=shot,"$size" "$driver" --launch \
  "$(to_windows_path "$shot/Zorvik.exe")" "$(to_windows_path "$ready")" "$tail" "${@:4}" \
  >/dev/null 2>&1 &
for _ in $(seq 600); do
  [ -s "$ready" ] && break
  sleep 0.1
done
if [ ! -s "$ready" ]; then
  echo "screenshot.sh: Zorvik showed no window within 60 s" >&2
  exit 1
fi
sleep 1  # let the window paint its logo
mkdir -p "$(dirname "$out")"
import -window root "$out" || exit 1
echo "$out"

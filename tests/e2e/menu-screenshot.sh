#!/usr/bin/env bash
# Screenshot of Zorvik's shortcut menu, open over the main window, under Wine on a private
# virtual display (for the README).
#   tests/e2e/menu-screenshot.sh BUILD_DIR OUT.png
# Zorvik runs inside Wine's own desktop (so the window has its caption) beside the stand-in
# upx.exe; a small helper, built here with MinGW, clicks ":)" (BM_CLICK, the cursor resting on it) once the main window
# shows and reports when the menu is up. ZORVIK_SHOT_SETTINGS, when set, goes into zir.cfg beside
# Zorvik first (for check marks). Prints the PNG's path.
set -u
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:?usage: menu-screenshot.sh BUILD_DIR OUT.png}" && pwd) || exit 2
out=${2:?usage: menu-screenshot.sh BUILD_DIR OUT.png}
case $out in /*) ;; *) out=$PWD/$out ;; esac
for file in "$build/Zorvik.exe" "$build/tests/e2e/upx.exe"; do
  [ -f "$file" ] || { echo "menu-screenshot.sh: $file is missing; build first" >&2; exit 2; }
done

shot=$build/menu-screenshot
rm -rf "$shot" && mkdir -p "$shot" || exit 2
cp "$build/Zorvik.exe" "$build/tests/e2e/upx.exe" "$shot/" || exit 2
[ -z "${ZORVIK_SHOT_SETTINGS:-}" ] || printf '%s' "$ZORVIK_SHOT_SETTINGS" >"$shot/zir.cfg" || exit 2

# The helper: starts Zorvik, waits for its main window, clicks ":)" (control 1004) and writes
# READY_FILE once the popup menu (#32768) is visible; then waits until Zorvik ends.
cat >"$shot/open-menu.cpp" <<'EOF'
#include <windows.h>
#include <cstdio>
int main(int argc, char** argv) {
  if (argc != 3) return 2;
  char line[1024];
  snprintf(line, sizeof line, "\"%s\"", argv[1]);
  STARTUPINFOA startup = {sizeof startup};
  PROCESS_INFORMATION info = {};
  if (!CreateProcessA(argv[1], line, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
    return 1;
  HWND window = nullptr, popup = nullptr;
  for (int i = 0; i < 600 && !(window = FindWindowA("#32770", "Simple GUI App For UPX Packer")); ++i)
    Sleep(100);
  if (!window) return 1;
  Sleep(1000);  // let the logo paint
  RECT button;
  GetWindowRect(GetDlgItem(window, 1004), &button);
  POINT at = {(button.left + button.right) / 2, (button.top + button.bottom) / 2}, now = {};
  for (int i = 0; i < 50 && !(GetCursorPos(&now) && now.x == at.x && now.y == at.y); ++i) {
    SetCursorPos(at.x, at.y);
    Sleep(100);
  }
  fprintf(stderr, "open-menu: button at %ld,%ld, cursor at %ld,%ld\n", at.x, at.y, now.x, now.y);
  PostMessageA(GetDlgItem(window, 1004), BM_CLICK, 0, 0);
  for (int i = 0; i < 100 && !popup; ++i) {
    for (HWND menu = FindWindowExA(nullptr, nullptr, "#32768", nullptr); menu && !popup;
         menu = FindWindowExA(nullptr, menu, "#32768", nullptr))
      if (IsWindowVisible(menu)) popup = menu;
    Sleep(100);
  }
  if (popup) {
    Sleep(500);
    if (FILE* ready = fopen(argv[2], "w")) fputs("menu\n", ready), fclose(ready);
  }
  WaitForSingleObject(info.hProcess, INFINITE);
  return popup ? 0 : 1;
}
EOF
# shellcheck source=wine-env.sh
. "$here/wine-env.sh"
# Built for Zorvik's bitness, so that it runs wherever that build runs.
"$(mingw_prefix "$build/Zorvik.exe")-g++-win32" -O1 -static -o "$shot/open-menu.exe" \
  "$shot/open-menu.cpp" || exit 2

wine_env_setup "$build" own-display 640x480 || exit 2

ready=$shot/ready.txt
wine explorer /desktop=shot,640x480 "$shot/open-menu.exe" \
  "$(to_windows_path "$shot/Zorvik.exe")" "$(to_windows_path "$ready")" >"$shot/wine.log" 2>&1 &
for _ in $(seq 900); do
  [ -s "$ready" ] && break
  sleep 0.1
done
if [ ! -s "$ready" ]; then
  echo "menu-screenshot.sh: no menu showed within 90 s" >&2
  exit 1
fi
mkdir -p "$(dirname "$out")"
import -window root "$out" || exit 1
echo "$out"

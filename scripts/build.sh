#!/usr/bin/env bash
# Builds Zorvik.exe (build/win) and the native unit tests (build/native).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
cmake -S . -B build/win -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake >/dev/null
cmake --build build/win
# The exe must need nothing but what Windows ships.
imports=$(i686-w64-mingw32-objdump -p build/win/Zorvik.exe | sed -n 's/.*DLL Name: //p')
foreign=$(echo "$imports" | grep -viE '^(kernel32|user32|gdi32|shell32|shlwapi|advapi32|comdlg32|msvcrt)\.dll$' || true)
if [ -n "$foreign" ]; then
  echo "Zorvik.exe imports DLLs that Windows does not ship: $foreign" >&2
  exit 1
fi
echo "build/win/Zorvik.exe: $(stat -c %s build/win/Zorvik.exe) bytes; imports: $(echo $imports)"

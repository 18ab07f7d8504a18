#!/usr/bin/env bash
# Checks a built Zorvik.exe: a Windows GUI program of the given kind that imports only DLLs
# Windows ships. Prints its size and imports; fails, saying why, otherwise.
#   scripts/check-exe.sh EXE i686|x86_64
set -euo pipefail
exe=$1
case $2 in
  i686) format=pei-i386 ;;
  x86_64) format=pei-x86-64 ;;
  *) echo "usage: scripts/check-exe.sh EXE i686|x86_64" >&2; exit 2 ;;
esac
[ -f "$exe" ] || { echo "$exe is missing" >&2; exit 1; }
headers=$("$2-w64-mingw32-objdump" -f -p "$exe" 2>/dev/null) ||
  { echo "$exe is not a $format exe" >&2; exit 1; }
grep -q "file format $format" <<<"$headers" || { echo "$exe is not a $format exe" >&2; exit 1; }
grep -q '^Subsystem.*(Windows GUI)' <<<"$headers" ||
  { echo "$exe is not a Windows GUI program" >&2; exit 1; }
# ASLR (with relocations to move the image by), NX, Terminal-Server aware, subsystem 6.0, and
# on x86_64 high-entropy ASLR.
flags="DYNAMIC_BASE NX_COMPAT TERMINAL_SERVICE_AWARE"
[ "$2" = x86_64 ] && flags="$flags HIGH_ENTROPY_VA"
for flag in $flags; do
  grep -qw "$flag" <<<"$headers" || { echo "$exe lacks $flag" >&2; exit 1; }
done
! grep -q 'relocations stripped' <<<"$headers" || { echo "$exe has no relocations" >&2; exit 1; }
grep -qE '^MajorSubsystemVersion[[:space:]]+6$' <<<"$headers" &&
  grep -qE '^MinorSubsystemVersion[[:space:]]+0$' <<<"$headers" ||
  { echo "$exe is not marked for subsystem version 6.0" >&2; exit 1; }
imports=$(sed -n 's/.*DLL Name: //p' <<<"$headers")
foreign=$(echo "$imports" | grep -viE '^(kernel32|user32|gdi32|shell32|shlwapi|advapi32|comdlg32|msvcrt)\.dll$' || true)
if [ -n "$foreign" ]; then
  echo "$exe imports DLLs that Windows does not ship: $foreign" >&2
  exit 1
fi
echo "$exe: $(stat -c %s "$exe") bytes; imports: $(echo $imports)"

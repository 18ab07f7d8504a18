#!/usr/bin/env bash
# Checks a built Zorvik.exe: a Windows GUI program of the given kind that imports only DLLs
# Windows ships, nothing Windows forwards out of the KnownDLLs, with a load configuration that
# takes its imports from System32 and the manifest of a Windows 10/11 program. Prints its size
# and imports; fails, saying why, otherwise.
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
# Nothing that Windows forwards out of the KnownDLLs (advapi32's SystemFunction036, 040 and
# 041 go to cryptbase), and a load configuration whose DependentLoadFlags (at 54 in the 32-bit
# structure, at 78 in the 64-bit one) hold LOAD_LIBRARY_SEARCH_SYSTEM32 (0x800), so that
# Windows takes every static import from System32.
forwarded=$(grep -owE 'SystemFunction0(36|40|41)' <<<"$headers" | sort -u || true)
[ -z "$forwarded" ] || { echo "$exe imports" $forwarded >&2; exit 1; }
[ "$2" = i686 ] && flagsAt=54 || flagsAt=78
config=$(sed -nE 's/^Entry a 0*([0-9a-f]+) [0-9a-f]+ Load Configuration Directory$/\1/p' <<<"$headers")
base=$(sed -nE 's/^ImageBase[[:space:]]+([0-9a-f]+)$/\1/p' <<<"$headers")
loadFlags=0
while read -r _ _ size vma _ offset _; do
  ((0x${config:-0} && 0x$base + 0x$config >= 0x$vma && 0x$base + 0x$config + flagsAt + 2 <= 0x$vma + 0x$size)) || continue
  at=$((0x$offset + 0x$base + 0x$config - 0x$vma))
  (($(od -An -tu4 -j $at -N4 "$exe") >= flagsAt + 2)) && loadFlags=$(od -An -tu2 -j $((at + flagsAt)) -N2 "$exe")
done < <("$2-w64-mingw32-objdump" -h "$exe" | grep -E '^ +[0-9]+ ')
((loadFlags & 0x800)) ||
  { echo "$exe: its load configuration lacks DependentLoadFlags LOAD_LIBRARY_SEARCH_SYSTEM32" >&2; exit 1; }

# The manifest (resource type 24, id 1), as windres prints it back: Common Controls 6, the
# supported Windows versions 7 to 11, and per-monitor DPI awareness with the older fallback.
manifest=$("$2-w64-mingw32-windres" -i "$exe" -O rc 2>/dev/null | sed -n '/^1 24 /,/^END$/p' |
  sed -n 's/^ *"\(.*\)"$/\1/p' | tr -d '\n' | sed 's/""/"/g; s/\\n/\n/g')
[ "$2" = i686 ] && arch=x86 || arch=amd64
# The manifest's version is VERSION's, in four numbers.
IFS=. read -r major minor patch tweak <"$(dirname "$0")/../VERSION"
version=${major:-0}.${minor:-0}.${patch:-0}.${tweak:-0}
wanted=(
  "<assemblyIdentity name=\"Zorvik\" version=\"$version\" processorArchitecture=\"$arch\" type=\"win32\"/>"
  "name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\" processorArchitecture=\"$arch\""
  '<supportedOS Id="{35138b9a-5d96-4fbd-8e2d-a2440225f93a}"/>'
  '<supportedOS Id="{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}"/>'
  '<supportedOS Id="{1f676c76-80e1-4239-95bb-83d0f6d0da78}"/>'
  '<supportedOS Id="{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"/>'
  '<dpiAware xmlns="http://schemas.microsoft.com/SMI/2005/WindowsSettings">true</dpiAware>'
  '<dpiAwareness xmlns="http://schemas.microsoft.com/SMI/2016/WindowsSettings">PerMonitorV2, System</dpiAwareness>'
)
for entry in "${wanted[@]}"; do
  grep -qF -- "$entry" <<<"$manifest" || { echo "$exe: its manifest lacks $entry" >&2; exit 1; }
done
echo "$exe: $(stat -c %s "$exe") bytes; imports: $(echo $imports)"

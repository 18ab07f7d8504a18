#!/usr/bin/env bash
# Installs what Zorvik's build and tests need on Debian 12. Safe to run again.
set -euo pipefail

# The x86_64 compilers build the Wine-side tests where only 64-bit programs run; wine32
# installs there too (its i386 libraries are how a machine shows that it can run 32-bit
# programs). fonts-wine draws the caption's close box in screenshots.
# locales: the end-to-end tests of double-byte names run under a Japanese locale, which Wine
# turns into code page 932; it must exist on the machine for Wine to name files in it.
# zip packs the release (scripts/dist.sh).
packages=(cmake ninja-build g++ clang googletest libgtest-dev locales
          g++-mingw-w64-i686-win32 g++-mingw-w64-x86-64-win32 mingw-w64-tools
          wine wine32:i386 wine64 fonts-wine xvfb imagemagick x11-apps xdotool zip)

sudo=""
[ "$(id -u)" -eq 0 ] || sudo=sudo

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  $sudo dpkg --add-architecture i386
  # A mirror caught mid-sync fails the update for a while. Try again, then go on with the lists
  # that did arrive: the install itself says whether they were enough.
  for try in 1 2 3; do
    $sudo apt-get update -q && break
    [ "$try" -lt 3 ] && { echo "apt-get update failed; trying again in $((try * 30)) s"; sleep $((try * 30)); }
  done
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

locale -a 2>/dev/null | grep -qix 'ja_JP.utf-\?8' || $sudo localedef -i ja_JP -f UTF-8 ja_JP.UTF-8

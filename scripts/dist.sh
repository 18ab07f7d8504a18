#!/usr/bin/env bash
# Makes the release in dist/: Zorvik-<version>.zip (Zorvik.exe, LICENSE, README.txt), the bare
# Zorvik.exe, and SHA256SUMS for both, in the form `sha256sum -c` reads.
#   scripts/dist.sh              builds the exe with scripts/build.sh first (build/win/Zorvik.exe)
#   scripts/dist.sh BUILD_DIR    takes BUILD_DIR/Zorvik.exe as it is (the CMake target "dist")
# Fails when scripts/check-exe.sh finds fault with the exe (not a 32-bit GUI exe, or a DLL
# import that Windows does not ship), when it is larger than 160 KiB, or when its version is
# not VERSION's.
#
# One commit gives the same bytes from any clone at any time: the exe is built without time or
# folder in it (CMakeLists.txt), and the zip's entries go in a fixed order, with the commit's
# time (SOURCE_DATE_EPOCH, when set, instead), fixed modes and no extra fields. So anyone can
# check a download against the sources by running this script on the same commit.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
if [ $# -eq 0 ]; then
  scripts/build.sh i686 Zorvik
  exe=build/win/Zorvik.exe
else
  exe=$1/Zorvik.exe
fi
scripts/check-exe.sh "$exe" i686
# Zorvik is one small exe; what it links is listed by bench/runtime-pieces.sh on its link map.
size=$(stat -c %s "$exe")
if [ "$size" -gt 163840 ]; then
  echo "dist.sh: $exe has $size bytes, more than 160 KiB (163,840);" \
    "see bench/runtime-pieces.sh $(dirname "$exe")/Zorvik.map" >&2
  exit 1
fi
version=$(head -n 1 VERSION)
built=$(i686-w64-mingw32-windres -i "$exe" -O rc 2>/dev/null |
  sed -n 's/^ *VALUE "ProductVersion", "\(.*\)"$/\1/p')
if [ "$built" != "$version" ]; then
  echo "dist.sh: $exe is version '$built', VERSION says $version; build it again" >&2
  exit 1
fi

commit=$(git rev-parse --short=12 HEAD 2>/dev/null || echo unknown)
epoch=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct 2>/dev/null || true)}
[ -n "$epoch" ] || { echo "dist.sh: no git history; set SOURCE_DATE_EPOCH" >&2; exit 1; }
if [ -n "$(git status --porcelain 2>/dev/null)" ]; then
  echo "dist.sh: warning: the work tree differs from commit $commit;" \
    "this release cannot be checked against it" >&2
fi

rm -rf dist
mkdir -p dist/zip
cp "$exe" dist/Zorvik.exe
cp dist/Zorvik.exe dist/zip/Zorvik.exe
# Windows line ends in the texts, which Notepad on Windows 7 needs.
sed 's/$/\r/' LICENSE >dist/zip/LICENSE
sed 's/$/\r/' docs/README.txt >dist/zip/README.txt
chmod 644 dist/zip/*
# zip keeps local time in its entries: UTC, so that the time zone does not matter.
touch -d "@$epoch" dist/zip/*
zip=Zorvik-$version.zip
(cd dist/zip && TZ=UTC zip -q -X -9 "../$zip" Zorvik.exe LICENSE README.txt)
rm -r dist/zip
(cd dist && sha256sum "$zip" Zorvik.exe >SHA256SUMS)

echo "dist/Zorvik.exe: $(stat -c %s dist/Zorvik.exe) bytes"
echo "dist/$zip: $(stat -c %s "dist/$zip") bytes"
echo "dist/SHA256SUMS, for commit $commit:"
sed 's/^/  /' dist/SHA256SUMS
cat <<EOF
To check a download: sha256sum -c --ignore-missing SHA256SUMS in its folder (on Windows,
  certutil -hashfile $zip SHA256, against the zip's line). To check it against the
  sources: clone the repository, git checkout $commit, run scripts/setup-debian.sh and
  scripts/dist.sh on Debian 12, and compare dist/SHA256SUMS with the release's.
EOF

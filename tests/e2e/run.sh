#!/usr/bin/env bash
# Runs Zorvik's end-to-end tests under Wine on a virtual display.
#   tests/e2e/run.sh BUILD_DIR [CASE_FILTER]
# BUILD_DIR is the Windows build (Zorvik.exe, tests/e2e/upx.exe, tests/e2e/zorvik_e2e.exe).
# Exits with the driver's code: 0 only when every case passed.
set -u
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:?usage: run.sh BUILD_DIR [CASE_FILTER]}" && pwd) || exit 2
zorvik=$build/Zorvik.exe
packer=$build/tests/e2e/upx.exe
driver=$build/tests/e2e/zorvik_e2e.exe
for file in "$zorvik" "$packer" "$driver"; do
  [ -f "$file" ] || { echo "run.sh: $file is missing; build first" >&2; exit 2; }
done

# shellcheck source=wine-env.sh
. "$here/wine-env.sh"
wine_env_setup "$build" || exit 2
wine "$driver" "$(to_windows_path "$zorvik")" "$(to_windows_path "$packer")" ${2+"$2"}

#!/usr/bin/env bash
# Builds Zorvik and the drop benchmark, and runs the benchmark under Wine on a virtual display:
# drops of many files, then a drop of a folder tree against a bare walk of it.
#   bench/drop-bench.sh [BUILD_DIR [RUNS]]     BUILD_DIR defaults to build/win, RUNS to 5
#   bench/drop-bench.sh --tree [BUILD_DIR [RUNS]]   the folder tree only
#   bench/drop-bench.sh --build-only [BUILD_DIR]
#       builds only, and prints the benchmark program's path (tests/e2e/batch-screenshot.sh)
# BUILD_DIR is a Windows build: by default the one Wine runs on this machine (build/win, or
# build/win64 where only 64-bit programs run), configured with its toolchain when it is not yet.
# The benchmark prints figures and passes no verdict.
set -u
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
build_only= only_tree=
if [ "${1:-}" = --build-only ]; then build_only=1; shift; fi
if [ "${1:-}" = --tree ]; then only_tree=1; shift; fi
# shellcheck source=../tests/e2e/wine-env.sh
. "$root/tests/e2e/wine-env.sh"
build=${1:-$(wine_build_dir "$root")}
runs=${2:-5}
toolchain=$(wine_toolchain "$root")

log() { echo "drop-bench: $*" >&2; }

if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" >&2 || exit 2
fi
build=$(cd "$build" && pwd)
cmake --build "$build" --target Zorvik upx >&2 || exit 2
# The benchmark: the build's own target once bench/ is part of the build, else a build of
# bench/ on its own beside it.
if cmake --build "$build" --target zorvik_drop_bench >/dev/null 2>&1; then
  bench=$build/bench/zorvik_drop_bench.exe
else
  cmake -S "$here" -B "$build/drop-bench" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" >&2 || exit 2
  cmake --build "$build/drop-bench" >&2 || exit 2
  bench=$build/drop-bench/zorvik_drop_bench.exe
fi
[ -f "$bench" ] || { log "$bench was not built"; exit 2; }
if [ -n "$build_only" ]; then echo "$bench"; exit 0; fi

# A prefix of its own, so that no other run's wineserver -k ends the benchmark's processes.
export ZORVIK_WINEPREFIX=${ZORVIK_WINEPREFIX:-$build/drop-bench-prefix}
wine_env_setup "$build" || exit 2
run=$build/drop-bench-run
rm -rf "$run" && mkdir -p "$run" || exit 2
cp "$build/Zorvik.exe" "$build/tests/e2e/upx.exe" "$run/" || exit 2
code=0
if [ -z "$only_tree" ]; then wine "$bench" "$(to_windows_path "$run/Zorvik.exe")" "$runs" || code=$?; fi
echo "== folder tree bench"
wine "$bench" --tree "$(to_windows_path "$run/Zorvik.exe")" "$runs" || code=$?
exit $code

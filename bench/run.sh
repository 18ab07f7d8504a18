#!/usr/bin/env bash
# Builds Zorvik with its benchmarks and runs them under Wine on a virtual display; prints figures.
#   bench/run.sh [BUILD_DIR]        (default: the build Wine runs here, build/win or build/win64)
# Every timing is printed beside a baseline measured in the same run; nothing passes or fails.
# The output is also kept in BUILD_DIR/bench/results.txt.
set -u
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
# shellcheck source=../tests/e2e/wine-env.sh
. "$root/tests/e2e/wine-env.sh"
build=${1:-$(wine_build_dir "$root")}
mkdir -p "$build" && build=$(cd "$build" && pwd) || exit 2

generator=
[ -f "$build/CMakeCache.txt" ] || generator="-G Ninja"
# shellcheck disable=SC2086
cmake -S "$root" -B "$build" $generator -DCMAKE_TOOLCHAIN_FILE="$(wine_toolchain "$root")" >/dev/null || exit 2
cmake --build "$build" --target Zorvik upx baseline_dialog baseline_dialog_plain \
  baseline_dialog_template baseline_sender zorvik_bench Zorvik_trace baseline_dialog_trace \
  baseline_dialog_template_trace || exit 2

# ComposeScript natively, against the portable sources (every non-*_win.cpp of the subsystems).
native=$build/bench-native
mkdir -p "$native"
portable=$(ls "$root"/app/*.cpp "$root"/packer/*.cpp "$root"/ui/*.cpp "$root"/shell/*.cpp |
  grep -v '_win\.cpp$')
# shellcheck disable=SC2086
g++ -std=c++17 -Os -Wall -Wextra -I"$root" "$here/compose_bench.cpp" $portable \
  -o "$native/compose_bench" || exit 2

zorvik=$build/Zorvik.exe
packer=$build/tests/e2e/upx.exe
dialog=$build/bench/baseline_dialog.exe
sender=$build/bench/baseline_sender.exe
driver=$build/bench/zorvik_bench.exe

# A prefix of the bench's own, so that no other test run's wineserver -k ends its processes.
export ZORVIK_WINEPREFIX=${ZORVIK_WINEPREFIX:-$build/bench/wine-prefix}
wine_env_setup "$build" own-display || exit 2

sections() {  # sections EXE: " name bytes" for each section
  "$(mingw_prefix "$1")-objdump" -h "$1" | while read -r idx name size _; do
    [[ $idx =~ ^[0-9]+$ ]] && printf ' %s %d' "$name" "$((16#$size))"
  done
}
section_size() {  # section_size EXE NAME
  sections "$1" | tr ' ' '\n' | sed -n "/^$2\$/{n;p}"
}
imports() { "$(mingw_prefix "$1")-objdump" -p "$1" | sed -n 's/.*DLL Name: //p' | tr '\n' ' '; }

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }

{
  commit=$(git -C "$root" rev-parse --short HEAD 2>/dev/null)
  echo "== Zorvik bench, $(date -u '+%Y-%m-%d %H:%M UTC'), commit $commit (plus the working tree)"
  echo "machine: $(nproc) cores, $(uname -m), $(wine --version); shared with other test runs"
  echo "build: $(exe_bits "$zorvik")-bit, ${build#"$root"/}"
  free -h | sed 's/^/  /'
  echo "load average before the runs: $(cut -d' ' -f1-3 /proc/loadavg)"
  echo
  echo "== size"
  for exe in "$zorvik" "$dialog" "$sender"; do
    bytes=$(stat -c %s "$exe")
    res=$(section_size "$exe" .rsrc)
    echo "$(basename "$exe"): $bytes bytes, $((bytes - ${res:-0})) without .rsrc;" \
      "sections:$(sections "$exe")"
    echo "  imports: $(imports "$exe")"
  done
  # Where Wine runs the 64-bit build, the size that users get is still the 32-bit product's.
  product=$root/build/win/Zorvik.exe
  if [ "$zorvik" != "$product" ] && [ -f "$product" ]; then
    echo "the 32-bit product, build/win/Zorvik.exe: $(stat -c %s "$product") bytes;" \
      "sections:$(sections "$product")"
  fi
  echo "ratio Zorvik.exe / baseline_dialog.exe: file $(ratio "$(stat -c %s "$zorvik")" \
    "$(stat -c %s "$dialog")"), .text $(ratio "$(section_size "$zorvik" .text)" \
    "$(section_size "$dialog" .text)")"
  echo "Zorvik.exe by origin, bytes per section, and the runtime's archive members it links" \
    "(from its link map):"
  bash "$here/runtime-pieces.sh" "$build/Zorvik.map"
  echo
  echo "== ComposeScript, native"
  "$native/compose_bench"
  echo
  echo "== under Wine"
  wine "$driver" "$(to_windows_path "$zorvik")" "$(to_windows_path "$packer")" \
    "$(to_windows_path "$dialog")" "$(to_windows_path "$sender")"
  echo "load average after the runs: $(cut -d' ' -f1-3 /proc/loadavg)"
  if [ -f "$here/drop-bench.sh" ]; then
    echo
    echo "== drop bench"
    wineserver -k >/dev/null 2>&1
    bash "$here/drop-bench.sh" "$build"
  fi
} 2>&1 | tee "$build/bench/results.txt"

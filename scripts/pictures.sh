#!/usr/bin/env bash
# Takes every picture in docs/ anew from Zorvik as it is, under Wine on private virtual displays,
# with the stand-in packer: the main window at 100 % and 200 % and with a high-contrast palette,
# the shortcut menu, the batch window at 100 % and 200 %, the results window at 100 % and 200 %
# (a failed run with its advice, one still running, Stop enabled), and Test File and File Info.
#   scripts/pictures.sh [BUILD_DIR [NAME ...]]
#       BUILD_DIR: the Windows build Wine runs here (build/win64 where only 64-bit programs run),
#       built here first; NAMEs (such as menu or results-window) take only those pictures
# Run by hand, after a change that shows; look at the pictures before committing them. Each is
# cut to the windows on it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
# shellcheck source=../tests/e2e/wine-env.sh
. tests/e2e/wine-env.sh
build=${1:-$(wine_build_dir "$root")}
only=" ${*:2} "
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$(wine_toolchain "$root")" >/dev/null
fi
cmake --build "$build" --target Zorvik upx zorvik_e2e >/dev/null
build=$(cd "$build" && pwd)

# The file the results pictures show, at the size a packer's message names; in the Wine prefix
# the shots share, so that its path is short.
(wine_prefix_setup "$build")
tools=${ZORVIK_WINEPREFIX:-$build/wine-prefix}/drive_c/Tools
mkdir -p "$tools"
truncate -s 1262080 "$tools/app.exe"
trap 'rm -f "$tools/app.exe"; rmdir "$tools" 2>/dev/null' EXIT
app='C:\Tools\app.exe'

failed='upx: {file}: AlreadyPackedException: already packed by UPX
'
list='        File size         Ratio      Format      Name
   --------------------   ------   -----------   -----------
   1262080 ->    482816   38.26%    win32/pe     {file}
'

# shot NAME WHAT [VARIABLE=VALUE ...]: docs/NAME.png, with those variables set for the scripts
# (tests/e2e/screenshot.sh and batch-screenshot.sh say which they read), cut to the windows on it.
shot() {
  local out=$root/docs/$1.png what=$2
  [ "$only" = "  " ] || [[ $only == *" $1 "* ]] || return 0
  (
    [ $# -gt 2 ] && export "${@:3}"
    case $what in
      main) tests/e2e/screenshot.sh "$build" "$out" ;;
      menu) tests/e2e/screenshot.sh "$build" "$out" "" 1004:500 ;;
      batch) tests/e2e/batch-screenshot.sh "$build" "$out" ;;
      # Compress fails with advice; Decompress, pressed once it has, is still at work. The
      # results window is widened to show the advice at the end of the line.
      results) ZORVIK_FAKE_UPX_STDERR=$failed ZORVIK_FAKE_UPX_EXIT=2 ZORVIK_FAKE_UPX_DELAY_MS=3000 \
        tests/e2e/screenshot.sh "$build" "$out" "\"$app\"" 1005:500 "$WIDE:3500" 1006:500 ;;
      test-info) ZORVIK_FAKE_UPX_TEST='testing {file} [OK]' ZORVIK_FAKE_UPX_LIST=$list \
        tests/e2e/screenshot.sh "$build" "$out" "\"$app\"" 900:500 901:1500 ;;
    esac
  ) >/dev/null
  convert "$out" -trim +repage -define png:exclude-chunks=date,time "$out"
  echo "docs/$1.png: $(identify -format '%wx%h' "$out")"
}

big=(ZORVIK_DPI=192 ZORVIK_SHOT_SIZE=1600x1000)
# Room beside the centred main window for the widened results window.
wide=(ZORVIK_SHOT_SIZE=2200x400 WIDE=900x277)
wide_big=(ZORVIK_DPI=192 ZORVIK_SHOT_SIZE=4200x700 WIDE=1800x508)
shot main-window main
shot main-window-200 main "${big[@]}"
shot main-window-high-contrast main ZORVIK_HIGH_CONTRAST=1
shot menu menu ZORVIK_SHOT_SETTINGS=$'[Shell Menu] : 0\r\n[Packer Options] : --lzma -k'
shot batch-window batch
shot batch-window-200 batch "${big[@]}"
shot results-window results "${wide[@]}"
shot results-window-200 results "${wide_big[@]}"
shot results-test-info test-info ZORVIK_SHOT_SIZE=1300x400

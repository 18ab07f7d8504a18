# Shared by the scripts that run Zorvik under Wine (sourced, not run): which build Wine can run
# on this machine, a private Wine prefix under the build folder (64-bit for a 64-bit build), a
# virtual X display, and a clean-up that ends both whatever way the script exits.
#   wine_env_setup BUILD_DIR [own-display WIDTHxHEIGHT]
# Without "own-display", an existing $DISPLAY is used and Xvfb starts only when none is set.
# ZORVIK_DPI sets the DPI of the programs started afterwards (see wine_env_setup).

to_windows_path() { local p=${1//\//\\}; printf 'Z:%s' "$p"; }

# Some build machines cannot execute 32-bit programs at all (the kernel answers "Exec format
# error"), so 32-bit Wine cannot run there. This decides which Windows build the Wine-side steps
# run on: 32 where /lib/ld-linux.so.2 runs, else 64. ZORVIK_WINE_BITS=32 or 64 overrides it.
wine_bits() {
  case ${ZORVIK_WINE_BITS:-} in
    32 | 64) echo "$ZORVIK_WINE_BITS" ;;
    *) if /lib/ld-linux.so.2 --version >/dev/null 2>&1; then echo 32; else echo 64; fi ;;
  esac
}

# The Windows build under ROOT that Wine runs, and its toolchain file. The 32-bit build
# (build/win) is the product and is always built; build/win64 is the same sources for x86_64.
wine_build_dir() { if [ "$(wine_bits)" = 64 ]; then echo "$1/build/win64"; else echo "$1/build/win"; fi; }
wine_toolchain() {
  if [ "$(wine_bits)" = 64 ]; then echo "$1/cmake/mingw-x86_64.cmake"; else echo "$1/cmake/mingw-i686.cmake"; fi
}

# 32 or 64: the bitness of a Windows exe, from the machine field of its PE header.
exe_bits() {
  local offset machine
  offset=$(od -An -tu4 -j60 -N4 "$1" 2>/dev/null | tr -d ' ') || return 1
  machine=$(od -An -tx2 -j$((offset + 4)) -N2 "$1" 2>/dev/null | tr -d ' ')
  case $machine in
    014c) echo 32 ;;
    8664) echo 64 ;;
    *) return 1 ;;
  esac
}

# The MinGW tool prefix for a build's exe: i686-w64-mingw32 or x86_64-w64-mingw32.
mingw_prefix() { if [ "$(exe_bits "$1")" = 64 ]; then echo x86_64-w64-mingw32; else echo i686-w64-mingw32; fi; }

# 64-bit Wine only: /usr/bin/wine takes the 32-bit loader whenever wine32 is installed, and
# wineboot and its kin exec wine-stable, so wrappers for the 64-bit loader go first on PATH.
use_wine64() {
  local bin=$1/wine64-bin name
  mkdir -p "$bin" || return 1
  for name in wine wine-stable; do
    printf '#!/bin/sh\nexport WINELOADER=/usr/lib/wine/wine64\nexec /usr/lib/wine/wine64 "$@"\n' \
      >"$bin/$name" && chmod +x "$bin/$name" || return 1
  done
  export PATH=$bin:$PATH WINEARCH=win64
}

# A Wine prefix for BUILD_DIR's bitness (created once), without a display.
#   wine_prefix_setup BUILD_DIR
wine_prefix_setup() {
  local build=$1
  export WINEPREFIX=${ZORVIK_WINEPREFIX:-$build/wine-prefix}
  export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  if [ "$(exe_bits "$build/Zorvik.exe")" = 64 ]; then use_wine64 "$build" || return 1; fi
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "creating the Wine prefix $WINEPREFIX (once, about 15 s)" >&2
    mkdir -p "$WINEPREFIX"
    wineboot -i >/dev/null 2>&1
    wineserver -w
  fi
  [ -f "$WINEPREFIX/system.reg" ] || { echo "wine could not create $WINEPREFIX" >&2; return 1; }
  # Wine 8 does not register the Marlett font of fonts-wine in a new prefix, and captions then
  # show a letter "r" for their close box; a copy in the prefix's Fonts folder is found.
  local fonts=$WINEPREFIX/drive_c/windows/Fonts
  if [ -f /usr/share/wine/fonts/marlett.ttf ] && [ ! -f "$fonts/marlett.ttf" ]; then
    mkdir -p "$fonts" && cp /usr/share/wine/fonts/marlett.ttf "$fonts/"
  fi
}

e2e_xvfb_pid=
e2e_colors_saved=

# ZORVIK_HIGH_CONTRAST=1: white on black, as Windows' "High Contrast Black", for the Wine programs
# started from here on; clean-up puts the old colours back.
high_contrast_setup() {
  local key='HKCU\Control Panel\Colors' each
  e2e_colors_saved=$WINEPREFIX/colors-saved.reg
  wine reg export "$key" "$(to_windows_path "$e2e_colors_saved")" /y >/dev/null 2>&1 || return 1
  for each in Background:0 ButtonFace:0 Window:0 Menu:0 HilightText:0 ButtonText:255 \
    WindowText:255 MenuText:255 WindowFrame:255 ButtonHilight:255 TitleText:255 Hilight:128; do
    wine reg add "$key" /v "${each%:*}" /d "${each#*:} ${each#*:} ${each#*:}" /f >/dev/null 2>&1 ||
      return 1
  done
}

wine_env_cleanup() {
  # The prefix is shared with the test runs, which expect its default DPI and colours.
  [ -n "${ZORVIK_DPI:-}" ] &&
    wine reg delete 'HKCU\Control Panel\Desktop' /v LogPixels /f >/dev/null 2>&1
  [ -f "${e2e_colors_saved:-}" ] && wine reg import "$e2e_colors_saved" >/dev/null 2>&1
  wineserver -k >/dev/null 2>&1
  if [ -n "$e2e_xvfb_pid" ]; then
    kill "$e2e_xvfb_pid" 2>/dev/null
    wait "$e2e_xvfb_pid" 2>/dev/null
  fi
}

start_xvfb() {  # start_xvfb WIDTHxHEIGHT: first free display from :90 on
  local size=$1 n
  for n in $(seq 90 189); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 "${size}x24" -nolisten tcp >/dev/null 2>&1 &
    e2e_xvfb_pid=$!
    for _ in $(seq 50); do
      [ -e "/tmp/.X11-unix/X$n" ] && { export DISPLAY=":$n"; return 0; }
      kill -0 "$e2e_xvfb_pid" 2>/dev/null || break
      sleep 0.1
    done
    kill "$e2e_xvfb_pid" 2>/dev/null
    e2e_xvfb_pid=
  done
  echo "no free X display for Xvfb" >&2
  return 1
}

wine_env_setup() {
  local build=$1 mode=${2:-} size=${3:-1024x768}
  trap wine_env_cleanup EXIT
  trap 'exit 130' INT TERM
  if [ "$mode" = own-display ] || [ -z "${DISPLAY:-}" ]; then
    start_xvfb "$size" || return 1
  fi
  wine_prefix_setup "$build" || return 1
  # ZORVIK_DPI (192 for 200 % scaling): the DPI of the Wine programs started from here on, which
  # read it at their start; clean-up takes it away again.
  if [ -n "${ZORVIK_DPI:-}" ]; then
    wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$ZORVIK_DPI" /f \
      >/dev/null 2>&1 || return 1
  fi
  [ -z "${ZORVIK_HIGH_CONTRAST:-}" ] || high_contrast_setup
}

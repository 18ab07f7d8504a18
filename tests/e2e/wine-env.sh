# Shared by run.sh and screenshot.sh (sourced, not run): a private Wine prefix under the build
# folder, a virtual X display, and a clean-up that ends both whatever way the script exits.
#   wine_env_setup BUILD_DIR [own-display WIDTHxHEIGHT]
# Without "own-display", an existing $DISPLAY is used and Xvfb starts only when none is set.

to_windows_path() { local p=${1//\//\\}; printf 'Z:%s' "$p"; }

e2e_xvfb_pid=

wine_env_cleanup() {
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
  export WINEPREFIX=${ZORVIK_WINEPREFIX:-$build/wine-prefix}
  export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  trap wine_env_cleanup EXIT
  trap 'exit 130' INT TERM
  if [ "$mode" = own-display ] || [ -z "${DISPLAY:-}" ]; then
    start_xvfb "$size" || return 1
  fi
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "creating the Wine prefix $WINEPREFIX (once, about 15 s)" >&2
    mkdir -p "$WINEPREFIX"
    wineboot -i >/dev/null 2>&1
    wineserver -w
  fi
}

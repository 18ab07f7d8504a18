#!/usr/bin/env bash
# Runs Zorvik's end-to-end tests under Wine on a virtual display.
#   tests/e2e/run.sh BUILD_DIR [CASE_FILTER]
# BUILD_DIR is the Windows build (Zorvik.exe, tests/e2e/upx.exe, tests/e2e/zorvik_e2e.exe).
# ZORVIK_E2E_REPEAT=N runs the suite N times in a row (to show that it passes every time, also on
# a busy machine) and prints each run's totals and time.
# Exits with 0 only when every case passed in every run.
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
# Drive Q: is the cases' root under a second drive letter, as subst makes one.
mkdir -p "$build/tests/e2e/e2e-run" && ln -sfn "$build/tests/e2e/e2e-run" "$WINEPREFIX/dosdevices/q:"
# The real packer for the cases that use it, where the checkout has ../shared beside it.
ZORVIK_REAL_PACKER_DIR=$(to_windows_path "$(cd "$here/../../.." && pwd)/shared/real-packer")
export ZORVIK_REAL_PACKER_DIR
run_driver() { wine "$driver" "$(to_windows_path "$zorvik")" "$(to_windows_path "$packer")" "$@"; }

# The dbcs_ cases run in a second driver started under a Japanese locale: Wine takes the ANSI
# code page (932) from LC_ALL when a process starts, and Zorvik, cmd and the packer keep it.
filter=${2-}
run_suite() {
  local code=0
  if [[ $filter != dbcs* ]]; then run_driver ${2+"$2"} || code=$?; fi
  if [[ -z $filter || $filter == dbcs* ]]; then
    if locale -a 2>/dev/null | grep -qix 'ja_JP.utf-\?8'; then
      LC_ALL=ja_JP.UTF-8 run_driver "${filter:-dbcs_}" || code=$?
    else
      echo "run.sh: the dbcs_ cases need the locale ja_JP.UTF-8 (scripts/setup-debian.sh)" >&2
      code=1
    fi
  fi
  return $code
}

repeat=${ZORVIK_E2E_REPEAT:-1}
[[ $repeat =~ ^[1-9][0-9]*$ ]] || { echo "run.sh: ZORVIK_E2E_REPEAT must be a count" >&2; exit 2; }
if ((repeat == 1)); then run_suite "$@"; exit; fi
code=0 totals=()
for ((run = 1; run <= repeat; run++)); do
  echo "run.sh: run $run of $repeat"
  log=$(mktemp) start=$SECONDS
  run_suite "$@" | tee "$log"
  status=${PIPESTATUS[0]}
  ((status == 0)) || code=1
  totals+=("run $run: $(awk '{sub(/\r$/, "")} /^[0-9]+ passed, [0-9]+ failed$/ {p += $1; f += $3}
    END {printf "%d passed, %d failed", p, f}' "$log") in $((SECONDS - start)) s")
  rm -f "$log"
  echo "run.sh: ${totals[-1]}"
done
printf '%s\n' "${totals[@]}"
exit $code

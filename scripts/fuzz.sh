#!/usr/bin/env bash
# Builds the fuzz targets (build/fuzz) and runs each for the given seconds
# (default 10). The corpus grows in build/fuzz/corpus, seeded from
# tests/fuzz/corpus; a crashing input lands in build/fuzz/crashes. Exits
# non-zero when any target failed.
set -uo pipefail
seconds=${1:-10}
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
out=build/fuzz
cmake -S tests/fuzz -B $out -G Ninja -DCMAKE_CXX_COMPILER=clang++ >/dev/null &&
  cmake --build $out >/dev/null || { echo "fuzz build failed" >&2; exit 1; }

# Longest input per target: the script's entries must add up past a line.
declare -A max_len=([command_tail]=4096 [handoff_payload]=4096 [settings]=1024
                    [split_path]=1024 [packer_args]=1024 [script]=20000 [results]=4096
                    [signed_files]=1024)
failed=()
printf '%-16s %12s %9s %8s  %s\n' target executions exec/s corpus result
for target in command_tail handoff_payload settings split_path packer_args script results \
              signed_files; do
  mkdir -p $out/corpus/$target $out/crashes
  log=$out/$target.log
  $out/fuzz_$target -max_total_time="$seconds" -max_len=${max_len[$target]} -timeout=10 \
    -print_final_stats=1 -artifact_prefix=$out/crashes/$target- \
    $out/corpus/$target tests/fuzz/corpus/$target >"$log" 2>&1
  rc=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")
  corp=$(grep -o 'corp: [0-9]*' "$log" | tail -1 | cut -d' ' -f2)
  result=ok
  if [ $rc -ne 0 ]; then
    result="FAILED (exit $rc, see $log; input: $(grep -o "$out/crashes/[^ ]*" "$log" | tail -1))"
    failed+=("$target")
  fi
  printf '%-16s %12s %9s %8s  %s\n' $target "${runs:--}" "${rate:--}" "${corp:--}" "$result"
done
[ ${#failed[@]} -eq 0 ] || { echo "fuzz targets failed: ${failed[*]}" >&2; exit 1; }

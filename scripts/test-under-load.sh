#!/usr/bin/env bash
# Runs the whole test suite three times in a row while twice as many busy
# loops as there are cores keep the machine loaded, and reports every failure.
# The loops are ended however the script ends. Builds first, as
# scripts/test.sh does; extra arguments go to ctest.
set -uo pipefail
cd "$(dirname "$0")/.."
build_dir="${TRIMORA_BUILD_DIR:-build}"
bash scripts/install-deps.sh --test || exit 1
bash scripts/build.sh -DBUILD_TESTING=ON >/dev/null || exit 1

loops=()
stop_loops() {
  [ ${#loops[@]} -gt 0 ] && kill "${loops[@]}" 2>/dev/null
  wait "${loops[@]}" 2>/dev/null
  loops=()
}
trap stop_loops EXIT
trap 'exit 130' INT TERM
busy=$((2 * $(nproc)))
for _ in $(seq "$busy"); do
  bash -c 'while :; do :; done' &
  loops+=($!)
done
echo "$busy busy loops running"

export QT_QPA_PLATFORM=offscreen
failed_runs=0
for run in 1 2 3; do
  log="$build_dir/test-under-load-$run.log"
  start=$SECONDS
  if ctest --test-dir "$build_dir" --output-on-failure -j2 "$@" >"$log" 2>&1; then
    echo "run $run: passed in $((SECONDS - start)) s"
  else
    failed_runs=$((failed_runs + 1))
    echo "run $run: FAILED in $((SECONDS - start)) s (log: $log)"
    grep -E "^\s*[0-9]+ - .*\((Failed|Timeout|SEGFAULT|Subprocess aborted|Exception)\)" "$log"
    grep -E "Failure$|heard .* behind|ahead of the clock" "$log" | head -20
  fi
done
echo "$failed_runs of 3 runs failed"
[ "$failed_runs" -eq 0 ]

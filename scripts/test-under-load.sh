#!/usr/bin/env bash
# Runs the whole test suite three times in a row while busy loops keep the
# machine loaded, and reports every failure. The loops are ended however the
# script ends.
#
#   bash scripts/test-under-load.sh [LOOPS] [--sanitized] [CTEST ARGUMENTS...]
#
# LOOPS is the number of busy loops (default: twice the number of cores).
# Builds first, as scripts/test.sh does; with --sanitized, the AddressSanitizer
# and UBSan build of scripts/test-sanitized.sh instead.
set -uo pipefail
cd "$(dirname "$0")/.."
busy=$((2 * $(nproc)))
if [[ "${1:-}" =~ ^[0-9]+$ ]]; then
  busy=$1
  shift
fi
sanitized=no
if [ "${1:-}" = --sanitized ]; then
  sanitized=yes
  shift
fi
bash scripts/install-deps.sh --test || exit 1
if [ "$sanitized" = yes ]; then
  build_dir="${TRIMORA_ASAN_BUILD_DIR:-build-asan}"
  TRIMORA_BUILD_DIR="$build_dir" bash scripts/build.sh -DBUILD_TESTING=ON -DTRIMORA_BENCH=OFF \
    -DTRIMORA_SANITIZE=ON >/dev/null || exit 1
  source scripts/sanitizer-options.sh
else
  build_dir="${TRIMORA_BUILD_DIR:-build}"
  bash scripts/build.sh -DBUILD_TESTING=ON >/dev/null || exit 1
fi

loops=()
stop_loops() {
  [ ${#loops[@]} -gt 0 ] && kill "${loops[@]}" 2>/dev/null
  wait "${loops[@]}" 2>/dev/null
  loops=()
}
trap stop_loops EXIT
trap 'exit 130' INT TERM
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

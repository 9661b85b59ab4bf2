#!/usr/bin/env bash
# Builds the fuzz harnesses (fuzz/) with clang, libFuzzer, AddressSanitizer
# and UBSan into build-fuzz/ (or $TRIMORA_FUZZ_BUILD_DIR) and runs each for
# $TRIMORA_FUZZ_SECONDS seconds (default 60) on the seed corpus, one per core
# at a time. A finding fails the run; its input is copied to
# fuzz/found/<harness>/, where, once committed, the harness's replay test
# runs it in every test run.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh --fuzz
build_dir="${TRIMORA_FUZZ_BUILD_DIR:-build-fuzz}"
seconds="${TRIMORA_FUZZ_SECONDS:-60}"
harnesses=($(sed -n 's/^trimora_fuzzer(\([a-z_0-9]*\) .*/\1/p' fuzz/CMakeLists.txt))
CC=clang-14 CXX=clang++-14 TRIMORA_BUILD_DIR="$build_dir" \
  TRIMORA_BUILD_TARGETS="${harnesses[*]/#/fuzz_}" bash scripts/build.sh \
  -DBUILD_TESTING=ON -DTRIMORA_BENCH=OFF -DTRIMORA_SANITIZE=ON -DTRIMORA_FUZZ=ON "$@"
source scripts/sanitizer-options.sh

run() {
  local name=$1 out="$build_dir/fuzz-runs/$1"
  rm -rf "$out"
  mkdir -p "$out/corpus" "$out/finding"
  if "$build_dir/fuzz/fuzz_$name" -max_total_time="$seconds" -max_len=65536 -timeout=20 \
    -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$out/finding/" \
    "$out/corpus" "$build_dir/fuzz-seeds" >"$out/log" 2>&1; then
    echo "fuzz_$name: no finding in $seconds s ($(grep -o 'stat::number_of_executed_units: *[0-9]*' "$out/log" | grep -o '[0-9]*$') runs)"
  else
    tail -n 60 "$out/log"
    mkdir -p "fuzz/found/$name"
    cp "$out"/finding/* "fuzz/found/$name/" 2>/dev/null || true
    echo "FINDING by fuzz_$name: its input is in fuzz/found/$name/ ($(ls "$out/finding"))"
    return 1
  fi
}

failed=0
running=0
for name in "${harnesses[@]}"; do
  if [ "$running" -ge "$(nproc)" ]; then
    wait -n || failed=1
    running=$((running - 1))
  fi
  run "$name" &
  running=$((running + 1))
done
while [ "$running" -gt 0 ]; do
  wait -n || failed=1
  running=$((running - 1))
done
[ "$failed" -eq 0 ] && echo "fuzzing found nothing"
exit "$failed"

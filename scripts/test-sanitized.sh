#!/usr/bin/env bash
# Builds everything with AddressSanitizer and UBSan into build-asan/ (or
# $TRIMORA_ASAN_BUILD_DIR) and runs every test there; any report fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh --test
build_dir="${TRIMORA_ASAN_BUILD_DIR:-build-asan}"
TRIMORA_BUILD_DIR="$build_dir" bash scripts/build.sh -DBUILD_TESTING=ON -DTRIMORA_BENCH=OFF \
  -DTRIMORA_SANITIZE=ON "$@"
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=halt_on_error=1:detect_leaks=1:detect_stack_use_after_return=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
export LSAN_OPTIONS="suppressions=$PWD/tests/support/lsan.supp:print_suppressions=0"
ctest --test-dir "$build_dir" --output-on-failure -j2

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
source scripts/sanitizer-options.sh
ctest --test-dir "$build_dir" --output-on-failure -j2

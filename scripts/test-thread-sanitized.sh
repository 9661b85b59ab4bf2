#!/usr/bin/env bash
# Builds the tests of the threads that play and walk files (mci_tests,
# audio_tests and mp3_tests) with ThreadSanitizer into build-tsan/ (or
# $TRIMORA_TSAN_BUILD_DIR) and runs them side by side; any data race fails
# the run.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh --test
build_dir="${TRIMORA_TSAN_BUILD_DIR:-build-tsan}"
programs=(mci_tests audio_tests mp3_tests)
TRIMORA_BUILD_DIR="$build_dir" TRIMORA_BUILD_TARGETS="${programs[*]}" bash scripts/build.sh \
  -DBUILD_TESTING=ON -DTRIMORA_BENCH=OFF -DTRIMORA_SANITIZE_THREAD=ON "$@"
source scripts/sanitizer-options.sh
export QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy
pids=()
for program in "${programs[@]}"; do
  "$build_dir/tests/$program" >"$build_dir/$program.log" 2>&1 &
  pids+=($!)
done
failed=0
for i in "${!programs[@]}"; do
  if wait "${pids[$i]}"; then
    tail -n 1 "$build_dir/${programs[$i]}.log"
  else
    failed=1
    cat "$build_dir/${programs[$i]}.log"
    echo "FAILED under ThreadSanitizer: ${programs[$i]}"
  fi
done
exit "$failed"

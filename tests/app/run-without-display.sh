#!/usr/bin/env bash
# scripts/run.sh with no display says so in one line and exits 1 at once,
# before installing or building anything.
#   run-without-display.sh SOURCE_DIR
set -uo pipefail
out="$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM TRIMORA_BUILD_DIR=/nonexistent \
  timeout 10 bash "$1/scripts/run.sh" 2>&1)"
status=$?
[ "$status" -eq 1 ] || { echo "FAIL: exited with $status: $out" >&2; exit 1; }
[ "$(wc -l <<<"$out")" -eq 1 ] || { echo "FAIL: not one line: $out" >&2; exit 1; }
grep -q "needs a display" <<<"$out" || { echo "FAIL: printed: $out" >&2; exit 1; }
echo "PASS: $out"

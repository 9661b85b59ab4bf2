#!/usr/bin/env bash
# Installs what Trimora needs, builds it and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
# Without a display the window cannot open: say so in one line before
# spending minutes on installing and building. A platform chosen through
# QT_QPA_PLATFORM (offscreen, vnc, ...) needs none.
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "trimora needs a display: run it in a desktop session (DISPLAY and WAYLAND_DISPLAY are not set), or under xvfb-run" >&2
  exit 1
fi
bash scripts/install-deps.sh
bash scripts/build.sh -DBUILD_TESTING=OFF -DTRIMORA_BENCH=OFF
exec "${TRIMORA_BUILD_DIR:-build}/app/trimora"

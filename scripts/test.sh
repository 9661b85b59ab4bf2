#!/usr/bin/env bash
# Installs what the tests need, builds everything and runs every test headless.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh --test
bash scripts/build.sh -DBUILD_TESTING=ON
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "${TRIMORA_BUILD_DIR:-build}" --output-on-failure -j2

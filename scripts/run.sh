#!/usr/bin/env bash
# Installs what Trimora needs, builds it and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh -DBUILD_TESTING=OFF -DTRIMORA_BENCH=OFF
exec "${TRIMORA_BUILD_DIR:-build}/app/trimora"

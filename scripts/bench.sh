#!/usr/bin/env bash
# Builds and runs every benchmark; each prints its figures and its ratios
# against a reference measured in the same run.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh --test
missing=()
for p in ffmpeg twolame time sox; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update && $SUDO apt-get install -y --no-install-recommends "${missing[@]}"
fi
export TRIMORA_BUILD_DIR="${TRIMORA_BUILD_DIR:-build-bench}"
bash scripts/build.sh -DBUILD_TESTING=OFF -DTRIMORA_BENCH=ON -DCMAKE_BUILD_TYPE=Release
export QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy
for b in "$TRIMORA_BUILD_DIR"/bench/*; do
  [ -x "$b" ] && [ -f "$b" ] || continue
  echo "== $(basename "$b")"
  "$b" "$@"
done
echo "== app_responsiveness_bench"
bash bench/app_responsiveness_bench.sh "$TRIMORA_BUILD_DIR"

#!/usr/bin/env bash
# Makes the Debian package from a Release build of its own:
#   dist/trimora_<version>_<arch>.deb
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh --package
build_dir="${TRIMORA_PACKAGE_BUILD_DIR:-build-package}"
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF \
  -DTRIMORA_BENCH=OFF "$@"
cmake --build "$build_dir" --target trimora
rm -f "$build_dir"/trimora_*.deb
(cd "$build_dir" && cpack -G DEB)
mkdir -p dist
mv -f "$build_dir"/trimora_*.deb dist/
ls dist/trimora_*.deb

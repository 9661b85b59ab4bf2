#!/usr/bin/env bash
# Configures and builds into build/ (or $TRIMORA_BUILD_DIR): everything, or
# only the targets named in $TRIMORA_BUILD_TARGETS.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir="${TRIMORA_BUILD_DIR:-build}"
launcher=()
# Reuse earlier compilations when ccache is there; paths are taken relative
# to the folder above the checkout, so sibling checkouts share the cache.
if command -v ccache >/dev/null; then
  export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$(cd .. && pwd)}" CCACHE_NOHASHDIR=1
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" "$@"
targets=()
[ -n "${TRIMORA_BUILD_TARGETS:-}" ] && read -ra targets <<<"--target $TRIMORA_BUILD_TARGETS"
cmake --build "$build_dir" "${targets[@]}"

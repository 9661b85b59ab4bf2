#!/usr/bin/env bash
# Installs the Debian packages Trimora needs. With --test, also what the tests
# need; with --fuzz, what the tests and the fuzz harnesses need; with
# --package, also what making and checking the Debian package needs.
set -euo pipefail
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
packages=(build-essential cmake ninja-build pkg-config qt6-base-dev libgl-dev libmpg123-dev libsdl2-dev)
if [ "${1:-}" = "--test" ] || [ "${1:-}" = "--fuzz" ]; then
  packages+=(libgtest-dev lame mpg123 xvfb xdotool libx11-dev)
fi
if [ "${1:-}" = "--fuzz" ]; then
  packages+=(clang-14 libclang-rt-14-dev)
fi
if [ "${1:-}" = "--package" ]; then
  packages+=(dpkg-dev file appstream desktop-file-utils libglib2.0-bin xvfb xdotool lintian devscripts)
fi
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update
  $SUDO apt-get install -y --no-install-recommends "${missing[@]}"
fi

#!/usr/bin/env bash
# Makes the fuzzers' seed corpus from the test MP3s: the first frames of each
# (with its tags and info frame), a stretch from its middle and its end (with
# any closing tags), each small enough for many runs a second.
#   make-seeds.sh FIXTURES_DIR OUT_DIR
set -euo pipefail
fixtures=$1 out=$2
rm -rf "$out"
mkdir -p "$out"
for mp3 in "$fixtures"/*.mp3; do
  name=$(basename "$mp3" .mp3)
  size=$(stat -c %s "$mp3")
  head -c 8192 "$mp3" >"$out/$name-head"
  dd if="$mp3" of="$out/$name-middle" bs=4096 count=1 skip=$((size / 2)) iflag=skip_bytes status=none
  tail -c 4096 "$mp3" >"$out/$name-tail"
done

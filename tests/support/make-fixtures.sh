#!/usr/bin/env bash
# Makes the test MP3s from generated tones with lame:
#   make-fixtures.sh OUTDIR TONE_PROGRAM
set -euo pipefail
out="$1"
tone="$2"
mkdir -p "$out"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

"$tone" "$work/s44_10.wav" 10 44100 2
"$tone" "$work/s44_60.wav" 60 44100 2
"$tone" "$work/s44_short.wav" 0.5 44100 2
"$tone" "$work/m22_10.wav" 10 22050 1
"$tone" "$work/m8_10.wav" 10 8000 1
# Second K at a pitch of its own, so a decoded clip says which seconds it holds.
"$tone" "$work/step44.wav" 20 44100 2 stepped
"$tone" "$work/step22.wav" 20 22050 1 stepped
"$tone" "$work/stepnoise44.wav" 20 44100 2 stepped-noise

# A picture frame of about 200 KB: lame only looks at the PNG signature.
printf '\x89PNG\r\n\x1a\n' > "$work/cover.png"
head -c 200000 /dev/zero >> "$work/cover.png"
printf '\x89PNG\r\n\x1a\n' > "$work/cover300.png"
head -c 300000 /dev/zero >> "$work/cover300.png"

encode() { lame --quiet --nohist "$@"; }
encode -b 128 "$work/s44_10.wav" "$out/cbr128_10s.mp3" &
encode -b 128 -t "$work/s44_10.wav" "$out/cbr128_noinfo_10s.mp3" &
encode -V 4 "$work/s44_10.wav" "$out/vbr_info_10s.mp3" &
encode -V 4 -t "$work/s44_10.wav" "$out/vbr_noinfo_10s.mp3" &
wait
encode -m m --resample 22.05 "$work/m22_10.wav" "$out/mono22k_10s.mp3" &
encode -m m --resample 8 "$work/m8_10.wav" "$out/mpeg25_8k_10s.mp3" &
encode -b 128 --ti "$work/cover.png" "$work/s44_10.wav" "$out/id3v2_big_10s.mp3" &
encode -b 128 "$work/s44_short.wav" "$out/short_0_5s.mp3" &
wait
encode -b 128 "$work/s44_60.wav" "$out/cbr128_60s.mp3" &
encode -b 128 -t "$work/step44.wav" "$out/stepped_cbr_bare.mp3" &
wait
encode -b 128 --ti "$work/cover300.png" --tt Stepped --add-id3v2 "$work/step44.wav" \
  "$out/stepped_cbr_tags.mp3" &
encode -V 2 "$work/step44.wav" "$out/stepped_vbr_info.mp3" &
wait
encode -V 2 -t "$work/step44.wav" "$out/stepped_vbr_noinfo.mp3" &
encode -m m --resample 22.05 -V 4 "$work/step22.wav" "$out/stepped_vbr_mono22k.mp3" &
wait
encode -V 0 "$work/stepnoise44.wav" "$out/stepped_vbr_swing.mp3" &
# The encoder's own bit rate, which no header names (free format).
encode --freeformat -b 200 "$work/step44.wav" "$out/stepped_free.mp3" &
encode --freeformat -b 200 -t "$work/s44_10.wav" "$out/free_noinfo_10s.mp3" &
# Two files joined end to end, each with its tag and info frame: the first 10.5 s and
# the rest, split inside a second so that every change of tone is heard whole
# (the tone's WAV header is 44 bytes; 10.5 s are 1,852,200).
dd if="$work/step44.wav" of="$work/first.raw" bs=4 skip=11 count=463050 status=none
dd if="$work/step44.wav" of="$work/last.raw" bs=4 skip=463061 status=none
raw() { encode -r -s 44.1 --bitwidth 16 --signed --little-endian -m j -b 128 "$@"; }
raw --tt One --add-id3v2 "$work/first.raw" "$work/first.mp3" &
raw --tt Two --add-id3v2 "$work/last.raw" "$work/last.mp3" &
wait
cat "$work/first.mp3" "$work/last.mp3" > "$out/stepped_joined.mp3"
# A loud third, the same sound 15 dB down, then silence.
encode -b 128 -t "$work/s44_10.wav" "$work/loud.mp3" &
encode -b 128 -t --scale 0.1778 "$work/s44_10.wav" "$work/quieter.mp3" &
encode -b 128 -t --scale 0 "$work/s44_10.wav" "$work/silent.mp3" &
wait
cat "$work/loud.mp3" "$work/quieter.mp3" "$work/silent.mp3" >"$out/loud_quieter_silent_30s.mp3"
# Layer III of each version and channel count, with and without a CRC, no
# info frame: every frame's sound is where its number says, for rebuilding
# the first frames of a clip.
encode -m m -b 64 -p -t "$work/s44_10.wav" "$out/mono64_crc_noinfo_10s.mp3" &
encode --resample 22.05 -b 32 -t "$work/s44_10.wav" "$out/mpeg2_noinfo_10s.mp3" &
encode -m m --resample 22.05 -b 24 -p -t "$work/m22_10.wav" "$out/mpeg2_mono_crc_noinfo_10s.mp3" &
wait

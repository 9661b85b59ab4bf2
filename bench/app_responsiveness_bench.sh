#!/usr/bin/env bash
# How long the real program's window takes to answer a window manager's ping
# while it opens a file behind 105 MB of empty tags, opens a 2-hour file, saves
# a 60-minute clip, opens a 24-hour 32 kbps mono file and a 2.3 GB file of
# 16 hours at 320 kbps (neither with an info frame), takes a file from the
# Open dialog and lists folders of special files. Two runs: on the machine
# as it is, and again beside 2 x nproc busy loops and a writer that keeps
# the disk busy (dd of 2 GB with conv=fsync, over and over). Goal: the
# longest reply at most 100 ms in every case of the first run, and in the
# second for the opens of the big files, the save and the dialog choice. The
# reference is the longest reply of the same window doing nothing, measured
# in the same run.
#   app_responsiveness_bench.sh BUILD_DIR [--loaded-only] [CASE...]
# --loaded-only leaves out the first run; CASEs (open-chained-tags,
# open-two-hours, save-sixty-minutes, open-24-hours-mono32, open-2.3-GB-320k,
# dialog-choice, dialog-special-files, dialog-proc) measure only those.
set -euo pipefail
build="$1"
shift
loaded_only=""
if [ "${1:-}" = --loaded-only ]; then loaded_only=1; shift; fi
export TRIMORA_CASES="$*"
chosen() { [ -z "$TRIMORA_CASES" ] || [[ " $TRIMORA_CASES " == *" $1 "* ]]; }
here="$(cd "$(dirname "$0")" && pwd)"
goal_ms=100
program="$build/app/trimora" ping="$build/tools/trimora_ping_window" close="$build/tools/trimora_close_window"
for tool in "$program" "$ping" "$close"; do
  [ -x "$tool" ] || { echo "skipped: $tool was not built (is libX11 missing?)"; exit 0; }
done
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# A constant-rate file without an info frame: the big files are made of it.
ffmpeg -v error -f lavfi -i sine=frequency=440:duration=10 -ac 2 -ar 44100 \
  -c:a libmp3lame -b:a 128k -write_xing 0 -id3v2_version 0 "$work/short.mp3"

# OUT made of COPIES copies of IN, by doubling.
repeat_to() { # IN COPIES OUT
  local have=1
  cp "$1" "$3.part"
  while [ $((have * 2)) -le "$2" ]; do cat "$3.part" "$3.part" >"$3.next"; mv "$3.next" "$3.part"; have=$((have * 2)); done
  mv "$3.part" "$3"
  for _ in $(seq $(($2 - have))); do cat "$1"; done >>"$3"
}
ffmpeg -v error -f lavfi -i sine=frequency=330:duration=60 -ac 1 -ar 22050 \
  -c:a libmp3lame -b:a 32k -write_xing 0 -id3v2_version 0 "$work/minute-mono32.mp3"
ffmpeg -v error -f lavfi -i sine=frequency=550:duration=60 -ac 2 -ar 44100 \
  -c:a libmp3lame -b:a 320k -write_xing 0 -id3v2_version 0 "$work/minute-320.mp3"
big_files="" made=()
if chosen open-24-hours-mono32; then
  repeat_to "$work/minute-mono32.mp3" 1440 "$work/day-mono32.mp3"
  big_files="24-hours-mono32=$work/day-mono32.mp3" made+=("$work/day-mono32.mp3")
fi
if chosen open-2.3-GB-320k; then
  repeat_to "$work/minute-320.mp3" 960 "$work/big-320.mp3"
  big_files="$big_files 2.3-GB-320k=$work/big-320.mp3" made+=("$work/big-320.mp3")
fi
[ "${#made[@]}" -eq 0 ] || echo "big files: $(du -h "${made[@]}" | tr '\t\n' ' ')"

# Busy loops and a disk writer, each started here in a process group of its
# own and ended by that group's id.
load_groups=()
start_load() {
  local _
  for _ in $(seq $((2 * $(nproc)))); do
    setsid bash -c 'while :; do :; done' &
    load_groups+=($!)
  done
  setsid bash -c 'while :; do dd if=/dev/zero of="$1" bs=1M count=2048 conv=fsync status=none; done' \
    _ "$work/disk-load" &
  load_groups+=($!)
}
stop_load() {
  local group
  for group in "${load_groups[@]}"; do kill -- "-$group" 2>/dev/null || true; done
  for group in "${load_groups[@]}"; do wait "$group" 2>/dev/null || true; done
  load_groups=()
  rm -f "$work/disk-load"
}
trap 'stop_load; rm -rf "$work"' EXIT

# One run of every case; prints a line per case. RUN names it; GOAL_CASES,
# when given, are the cases the goal holds for (all others: for information).
run_cases() { # RUN [GOAL_CASES...]
  local run="$1" status=0
  shift
  echo "== $run: load average before the run: $(cut -d' ' -f1-3 /proc/loadavg)"
  TRIMORA_BIG_FILES="$big_files" \
    bash "$here/../tests/app/responsiveness.sh" "$program" "$ping" "$close" 1000000 "$work/short.mp3" \
    >"$work/run.txt" 2>&1 || status=$?
  if [ "$status" -eq 77 ]; then
    echo "skipped: $(head -n1 "$work/run.txt")"
    exit 0
  fi
  [ "$status" -eq 0 ] || { cat "$work/run.txt"; echo "the run failed"; return 1; }

  local cases entry name ms verdict idle_ms=""
  # Each case's figures. The verdicts take the longest reply as measured, as
  # the user waits for it: the test's allowance for the window thread's
  # waiting for a processor counts all of that waiting during the case,
  # which would excuse almost any reply on a busy machine.
  grep -E '^[A-Za-z0-9.-]+: pings ' "$work/run.txt" | sed 's/^/  /'
  read -r -a cases <<<"$(sed -n 's/^longest replies as measured (ms): //p' "$work/run.txt")"
  [ "${#cases[@]}" -gt 0 ] || { cat "$work/run.txt"; echo "the run gave no figures"; return 1; }
  for entry in "${cases[@]}"; do [ "${entry%%=*}" = idle ] && idle_ms="${entry#*=}"; done
  echo "goal: longest reply <= $goal_ms ms; reference: the idle window's longest reply, $idle_ms ms"
  for entry in "${cases[@]}"; do
    name="${entry%%=*}" ms="${entry#*=}"
    [ "$name" = idle ] && continue
    verdict="MET"
    [ "$ms" -le "$goal_ms" ] || verdict="NOT MET"
    if [ "$#" -gt 0 ] && [[ " $* " != *" $name "* ]]; then verdict="(for information)"; fi
    printf '%-22s longest reply %5d ms (idle %d ms)  %s\n' "$name" "$ms" "$idle_ms" "$verdict"
  done
}

[ -n "$loaded_only" ] || run_cases "as the machine is"
start_load
sleep 2
run_cases "beside $((2 * $(nproc))) busy loops and a disk writer" open-24-hours-mono32 \
  open-2.3-GB-320k open-two-hours save-sixty-minutes dialog-choice
stop_load

#!/usr/bin/env bash
# Runs the real program on a virtual X display as a user would: opens an MP3
# through the Open dialog by typing its path, lets it play, closes the window
# as a window manager does and checks the exit and the sound that came out.
#   smoke.sh TRIMORA FILE.mp3 CLOSE_WINDOW_TOOL CAPTURE_CHECK_TOOL [argument]
# With "argument" the file is named on the program's command line instead, as
# a file manager's "Open With" does.
# Exits 77 (skipped) when Xvfb or xdotool is missing.
set -euo pipefail
program="$1" file="$2" close_window="$3" capture_check="$4" open_by="${5:-dialog}"
file_argument=()
[ "$open_by" = argument ] && file_argument=("$(realpath "$file")")

for tool in Xvfb xdotool; do
  if ! command -v "$tool" >/dev/null; then
    echo "$tool is not installed (bash scripts/install-deps.sh --test installs it)"
    exit 77
  fi
done

work="$(mktemp -d)"
xvfb_pid="" program_pid=""
cleanup() {
  [ -n "$program_pid" ] && kill -9 "$program_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; [ -s "$work/program.log" ] && sed "s/^/  trimora: /" "$work/program.log" >&2; exit 1; }

# A display of its own, on the first free number.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || { cat "$work/xvfb.log"; fail "Xvfb did not start"; }
export DISPLAY=":$(cat "$work/display")"

# The disk driver plays in real time into a file. The information page's
# request goes to a closed local port, so the run never touches the network.
mkdir -m 700 "$work/runtime"
env QT_QPA_PLATFORM=xcb SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$work/capture.raw" \
  HOME="$work" XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/runtime" \
  http_proxy=http://127.0.0.1:9 HTTP_PROXY=http://127.0.0.1:9 no_proxy= NO_PROXY= \
  "$program" "${file_argument[@]}" >"$work/program.log" 2>&1 &
program_pid=$!

find_window() { # NAME: waits up to 20 s for a visible window of the program
  local id
  for _ in $(seq 200); do
    kill -0 "$program_pid" 2>/dev/null || fail "the program ended early"
    id="$(xdotool search --all --onlyvisible --pid "$program_pid" --name "$1" 2>/dev/null | head -n1)" || true
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.1
  done
  fail "no window named $1 appeared"
}

main_window="$(find_window '^Trimora$')"
if [ "$open_by" = dialog ]; then
  # The Open button, 2385,975 twips with a size of 1005x330 at 15 twips per pixel.
  xdotool mousemove --window "$main_window" 192 76 click 1

  dialog="$(find_window '^Open')"
  # Keys typed before the new dialog has the focus are lost, and the name field's
  # completion list may take a Return for itself: type again while it stays open.
  dialog_open() { xdotool search --all --onlyvisible --pid "$program_pid" --name '^Open' >/dev/null 2>&1; }
  for _ in 1 2 3; do
    sleep 0.5
    timeout 5 xdotool windowfocus --sync "$dialog" key ctrl+a || true
    xdotool type --delay 5 "$(realpath "$file")"
    sleep 0.5
    xdotool key Return
    for _ in $(seq 20); do dialog_open || break; sleep 0.1; done
    dialog_open || break
  done
  dialog_open && fail "the Open dialog did not take the typed path"
fi

sleep 2.5
"$close_window" "$main_window"
closed_at=$(date +%s.%N)
status=""
for _ in $(seq 30); do
  if ! kill -0 "$program_pid" 2>/dev/null; then
    status=0
    wait "$program_pid" || status=$?
    break
  fi
  sleep 0.1
done
[ -n "$status" ] || fail "the program was still running 3 s after its window was closed"
program_pid=""
echo "the program ended $(awk -v a="$closed_at" -v b="$(date +%s.%N)" 'BEGIN { printf "%.2f", b - a }') s after its window was closed"
[ "$status" -eq 0 ] || fail "the program exited with status $status"

[ -s "$work/capture.raw" ] || fail "no sound was captured"
"$capture_check" "$file" "$work/capture.raw" 1.5 || fail "the captured sound is not the file's"
echo "PASS"

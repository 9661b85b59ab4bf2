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
source "$(dirname "$0")/x-session.sh"

require_x_tools
start_display
if [ "$open_by" = argument ]; then
  start_program "$program" "$(realpath "$file")"
else
  start_program "$program"
fi

main_window="$(find_window '^Trimora$')"
if [ "$open_by" = dialog ]; then
  click_open "$main_window"
  type_into_dialog '^Open' "$(realpath "$file")"
fi

sleep 2.5
close_program "$main_window"

[ -s "$work/capture.raw" ] || fail "no sound was captured"
"$capture_check" "$file" "$work/capture.raw" 1.5 || fail "the captured sound is not the file's"
echo "PASS"

# Shared set-up for the tests that run the real program on a virtual X display.
# Source it, then: require_x_tools; start_display; start_program PROGRAM [ARGS...].
# Sets $work (removed on exit), $DISPLAY and $program_pid.

require_x_tools() { # exits 77 (skipped) when Xvfb or xdotool is missing
  local tool
  for tool in Xvfb xdotool; do
    if ! command -v "$tool" >/dev/null; then
      echo "$tool is not installed (bash scripts/install-deps.sh --test installs it)"
      exit 77
    fi
  done
}

work="$(mktemp -d)"
xvfb_pid="" program_pid=""
cleanup_hooks=()
cleanup() {
  local hook
  for hook in "${cleanup_hooks[@]}"; do "$hook" || true; done
  [ -n "$program_pid" ] && kill -9 "$program_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; [ -s "$work/program.log" ] && sed "s/^/  trimora: /" "$work/program.log" >&2; exit 1; }

start_display() { # a display of its own, on the first free number
  # Without -noreset the server starts over whenever its last client leaves,
  # refusing connections meanwhile: the check below must not cause that.
  Xvfb -displayfd 3 -noreset -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
  xvfb_pid=$!
  for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
  [ -s "$work/display" ] || { cat "$work/xvfb.log"; fail "Xvfb did not start"; }
  export DISPLAY=":$(cat "$work/display")"
  # On a busy machine the number may come before the server takes clients.
  for _ in $(seq 100); do xdotool getdisplaygeometry >/dev/null 2>&1 && return 0; sleep 0.1; done
  cat "$work/xvfb.log"
  fail "Xvfb took no client on $DISPLAY"
}

# The disk driver plays in real time into a file. The information page's
# request goes to a closed local port, so the run never touches the network.
start_program() { # PROGRAM [ARGS...]
  mkdir -m 700 "$work/runtime"
  env QT_QPA_PLATFORM=xcb SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$work/capture.raw" \
    HOME="$work" XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/runtime" \
    http_proxy=http://127.0.0.1:9 HTTP_PROXY=http://127.0.0.1:9 no_proxy= NO_PROXY= \
    "$@" >"$work/program.log" 2>&1 &
  program_pid=$!
}

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

# Controls of the main window by their place in twips (15 per pixel): the
# pointer goes to the middle of the control.
click_control() { # WINDOW LEFT TOP WIDTH HEIGHT
  xdotool mousemove --window "$1" $((($2 + $4 / 2) / 15)) $((($3 + $5 / 2) / 15)) click 1
}
click_open() { click_control "$1" 2385 975 1005 330; }
click_save() { click_control "$1" 3465 975 1005 330; }
click_select_start() { click_control "$1" 960 1920 1350 330; }
click_select_end() { click_control "$1" 2400 1920 1350 330; }

dialog_open() { # NAME: whether the program shows a window of that name
  xdotool search --all --onlyvisible --pid "$program_pid" --name "$1" >/dev/null 2>&1
}

# While a file opens the window's working buttons are locked and a click on
# Open is lost: clicks until the Open dialog shows and echoes its id.
open_dialog() { # MAIN_WINDOW
  local id
  for _ in $(seq 40); do
    click_open "$1"
    for _ in $(seq 10); do
      id="$(xdotool search --all --onlyvisible --pid "$program_pid" --name '^Open' 2>/dev/null | head -n1)" || true
      [ -n "$id" ] && { echo "$id"; return 0; }
      sleep 0.1
    done
  done
  fail "no window named ^Open appeared"
}

# Keys typed before the new dialog has the focus are lost, and the name field's
# completion list may take a Return for itself: type again while it stays open.
type_into_dialog() { # NAME TEXT: types TEXT and Return until the dialog closes
  local dialog
  dialog="$(find_window "$1")"
  for _ in 1 2 3; do
    sleep 0.5
    timeout 5 xdotool windowfocus --sync "$dialog" key ctrl+a || true
    xdotool type --delay 5 "$2"
    sleep 0.5
    xdotool key Return
    for _ in $(seq 20); do dialog_open "$1" || break; sleep 0.1; done
    dialog_open "$1" || return 0
  done
  fail "the $1 dialog did not take the typed text"
}

close_program() { # WINDOW: closes it as a window manager does; fails unless the program ends within 10 s with 0
  local closed_at status=""
  "$close_window" "$1"
  closed_at=$(date +%s.%N)
  # Ending takes well under a second; a busy machine can stretch that a lot,
  # a program that does not end takes for ever.
  for _ in $(seq 100); do
    if ! kill -0 "$program_pid" 2>/dev/null; then
      status=0
      wait "$program_pid" || status=$?
      break
    fi
    sleep 0.1
  done
  if [ -z "$status" ]; then
    # What each of its threads is doing, for whoever reads the failure.
    for task in /proc/"$program_pid"/task/*; do
      echo "  thread $(cat "$task/comm" 2>/dev/null): state $(awk '{ print $3 }' "$task/stat" 2>/dev/null), in $(cat "$task/wchan" 2>/dev/null)"
    done
    fail "the program was still running 10 s after its window was closed"
  fi
  program_pid=""
  echo "the program ended $(awk -v a="$closed_at" -v b="$(date +%s.%N)" 'BEGIN { printf "%.2f", b - a }') s after its window was closed"
  [ "$status" -eq 0 ] || fail "the program exited with status $status"
}

#!/usr/bin/env bash
# The program's command line with no display at all, as over ssh or in a
# package check: --help and --version answer and exit 0, an unknown option
# prints a short usage and exits 2, all without opening a window; the
# toolkit's own options pass to the toolkit.
#   command-line.sh TRIMORA
set -uo pipefail
program="$1"
fail() { echo "FAIL: $*" >&2; exit 1; }
run() { env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM timeout 10 "$program" "$@"; }

out="$(run --help 2>&1)"; status=$?
[ "$status" -eq 0 ] || fail "--help exited with $status: $out"
grep -q -- "--version" <<<"$out" || fail "--help does not list --version: $out"

out="$(run --version 2>&1)"; status=$?
[ "$status" -eq 0 ] || fail "--version exited with $status: $out"
grep -Eqx "trimora [0-9]+\.[0-9]+(\.[0-9]+)?" <<<"$out" || fail "--version printed: $out"

out="$(run --no-such-option song.mp3 2>&1)"; status=$?
[ "$status" -eq 2 ] || fail "an unknown option exited with $status: $out"
grep -q "^Usage: trimora" <<<"$out" || fail "no usage line for an unknown option: $out"
# The toolkit's own options are the toolkit's, with one dash or two, their
# value apart or after "="; what is left is ours. Started with a display of
# its own, the window runs until the timeout ends it.
out="$(run -platform offscreen -style=Fusion --stylesheet /dev/null --version 2>&1)"; status=$?
grep -Eqx "trimora [0-9.]+" <<<"$out" || fail "toolkit options before --version: $status: $out"
out="$(run -reverse --no-such-option 2>&1)"; status=$?
[ "$status" -eq 2 ] || fail "an unknown option after a toolkit option exited with $status: $out"
out="$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM timeout 3 "$program" \
  -platform offscreen -style Fusion 2>&1 </dev/null)"; status=$?
[ "$status" -eq 124 ] || fail "trimora -platform offscreen did not keep running ($status): $out"
# Without a display, with one that cannot be reached or with a platform the
# toolkit lacks: one line says why, and the exit status is 1, not an abort.
for how in "" "-display :97" "-platform no-such-platform"; do
  # shellcheck disable=SC2086
  out="$(run $how 2>&1 </dev/null)"; status=$?
  [ "$status" -eq 1 ] || fail "trimora $how exited with $status: $out"
  [ "$(wc -l <<<"$out")" -eq 1 ] && grep -q "^trimora: cannot show the window: " <<<"$out" \
    || fail "trimora $how printed: $out"
done
# After "--" every argument is a file name, even one that looks like an option.
out="$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM timeout 3 "$program" \
  -platform offscreen -- --version 2>&1 </dev/null)"; status=$?
[ "$status" -eq 124 ] || fail "trimora -- --version did not open a window ($status): $out"
echo "PASS"

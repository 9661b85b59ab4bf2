#!/usr/bin/env bash
# The program's command line with no display at all, as over ssh or in a
# package check: --help and --version answer and exit 0, an unknown option
# prints a short usage and exits 2, all without opening a window.
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
echo "PASS"

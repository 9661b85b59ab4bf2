#!/usr/bin/env bash
# trimora --cut with no display: each refusal exits non-zero with one line on
# standard error and leaves the source and the clip as they were; a cut
# exits 0 and an exact clip decodes to the marked samples.
#   cut-command.sh TRIMORA FIXTURES_DIR
set -uo pipefail
program="$1"
fixtures="$2"
fail() { echo "FAIL: $*" >&2; exit 1; }
run() { env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM timeout 60 "$program" "$@"; }
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cp "$fixtures/id3v2_big_10s.mp3" "$work/song.mp3"
printf 'old clip' >"$work/old.mp3"
printf 'no audio here\n' >"$work/text.mp3"
cp "$work/song.mp3" "$work/unreadable.mp3" && chmod 000 "$work/unreadable.mp3"
ln -s song.mp3 "$work/link.mp3"
state() { for f in song.mp3 old.mp3 new.mp3; do sha1sum "$work/$f" 2>/dev/null || echo "no $f"; done; }

# Arguments after --cut | status
while IFS='|' read -r arguments status; do
  before="$(state)"
  # shellcheck disable=SC2086 # the words of a row are split on purpose
  err="$(cd "$work" && run --cut $arguments 2>&1 >/dev/null)"; got=$?
  [ "$got" -eq "$status" ] || fail "--cut $arguments exited with $got, not $status: $err"
  [ "$(wc -l <<<"$err")" -eq 1 ] && [ -n "$err" ] || fail "--cut $arguments said: $err"
  [ "$(state)" = "$before" ] || fail "--cut $arguments changed a file"
  ls "$work" | grep -q '^\.\?new\.mp3\.' && fail "--cut $arguments left a temporary file"
done <<'ROWS'
1 2 missing.mp3 new.mp3|1
1 2 text.mp3 new.mp3|1
1 2 song.mp3 song.mp3|1
1 2 song.mp3 link.mp3|1
1 2 song.mp3 old.mp3|1
2 1 song.mp3 new.mp3|1
2 2 song.mp3 new.mp3|1
9 10.5 song.mp3 new.mp3|1
soon 2 song.mp3 new.mp3|2
1 2 song.mp3|2
1 2 song.mp3 new.mp3 --fast|2
ROWS
if [ "$(id -u)" -ne 0 ]; then
  err="$(cd "$work" && run --cut 1 2 unreadable.mp3 new.mp3 2>&1)" && fail "an unreadable source was cut"
  [ ! -e "$work/new.mp3" ] || fail "an unreadable source left a clip: $err"
fi

run --cut 0:01.5 3 "$work/song.mp3" "$work/new.mp3" --exact || fail "the exact cut failed"
samples=$(($(mpg123 -q -s "$work/new.mp3" 2>/dev/null | wc -c) / 4))
[ "$samples" -eq 66150 ] || fail "the exact clip of 1.5 s decodes to $samples samples, not 66150"
run --cut 1 2 "$work/song.mp3" "$work/old.mp3" --overwrite || fail "--overwrite did not replace"
[ "$(head -c 3 "$work/old.mp3")" != "old" ] || fail "--overwrite left the old clip"
echo "PASS"

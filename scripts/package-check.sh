#!/usr/bin/env bash
# Makes the Debian package, checks it with lintian (no error, no warning, no
# hardening note) and the program with hardening-check, installs it on this
# machine, checks what it put there and that the installed program runs, then
# removes it and checks that nothing of it is left. Runs the program with the smoke test's helpers and
# fixture from a test build (build/ or $TRIMORA_BUILD_DIR, as scripts/test.sh
# leaves it). Needs root or sudo.
set -euo pipefail
cd "$(dirname "$0")/.."
SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
test_build="${TRIMORA_BUILD_DIR:-build}"
for helper in tools/trimora_close_window tests/trimora_capture_check fixtures/cbr128_10s.mp3; do
  [ -e "$test_build/$helper" ] || { echo "run bash scripts/test.sh first: $test_build/$helper is missing"; exit 1; }
done
if dpkg-query -W -f='${Status}' trimora 2>/dev/null | grep -q "ok installed"; then
  echo "trimora is installed already; remove it first"
  exit 1
fi

bash scripts/package.sh
debs=(dist/trimora_*.deb)
[ ${#debs[@]} -eq 1 ] || { echo "expected one package in dist/, found: ${debs[*]}"; exit 1; }
deb="${debs[0]}"
dpkg-deb --info "$deb"

work="$(mktemp -d)"
installed=""
cleanup() {
  [ -n "$installed" ] && $SUDO apt-get purge -y trimora >/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

dpkg-deb --contents "$deb" | awk '{ print $NF }' | sed 's|^\./|/|; s|/$||' | grep -v '^$' >"$work/contents"
# Folders that exist before the install are shared; the rest must go with the package.
while read -r path; do [ -e "$path" ] && echo "$path"; done <"$work/contents" >"$work/existing"

# Debian's own standard: lintian's errors and warnings, and its notes on
# missing hardening, a compiler comment or a desktop entry without keywords.
lintian --display-info "$deb" >"$work/lintian" 2>&1 || fail "lintian did not run"
grep -v "running with root privileges" "$work/lintian" || true
if grep -E "^[EW]: |^I: [^ ]+ (hardening-|binary-has-unneeded-section|desktop-entry-lacks-keywords)" \
  "$work/lintian"; then
  fail "lintian"
fi

$SUDO apt-get install -y "./$deb"
installed=yes
hardening-check /usr/bin/trimora || fail "hardening-check /usr/bin/trimora"
for doc in copyright changelog.gz; do
  [ -f "/usr/share/doc/trimora/$doc" ] || fail "no /usr/share/doc/trimora/$doc"
done
man -w trimora >/dev/null || fail "no manual page"
dpkg -L trimora | grep -vx "/\." >"$work/files"

[ "$(command -v trimora)" = /usr/bin/trimora ] || fail "trimora is not on the PATH"
for size in 16 24 32 48; do
  grep -qx "/usr/share/icons/hicolor/${size}x${size}/apps/trimora.png" "$work/files" \
    || fail "no ${size}x${size} icon"
done
desktop-file-validate /usr/share/applications/trimora.desktop || fail "desktop entry"
appstreamcli validate --no-net /usr/share/metainfo/example.trimora.trimora.metainfo.xml \
  || fail "metainfo"
# The desktop database is refreshed by desktop-file-utils' trigger on our
# desktop entry, so file managers offer Trimora for MP3s ("Open With").
gio mime audio/mpeg | tee "$work/handlers"
grep -q "trimora.desktop" "$work/handlers" || fail "trimora is not among the handlers of audio/mpeg"
env -u DISPLAY trimora --version || fail "trimora --version without a display"
bash tests/app/smoke.sh /usr/bin/trimora "$test_build/fixtures/cbr128_10s.mp3" \
  "$test_build/tools/trimora_close_window" "$test_build/tests/trimora_capture_check" \
  || fail "the installed program"
bash tests/app/smoke.sh /usr/bin/trimora "$test_build/fixtures/cbr128_10s.mp3" \
  "$test_build/tools/trimora_close_window" "$test_build/tests/trimora_capture_check" argument \
  || fail "the installed program with a file on its command line"

$SUDO apt-get purge -y trimora
installed=""
# Of what the package itself installed (its own list), nothing may be left,
# but for folders that were there before or that another package owns too:
# installing this one can pull in others that put files in the same folders.
left=0
while read -r path; do
  grep -qxF "$path" "$work/existing" && continue
  [ -e "$path" ] || [ -L "$path" ] || continue
  if [ -d "$path" ] && [ ! -L "$path" ] && dpkg-query -S "$path" >/dev/null 2>&1; then
    continue
  fi
  echo "left behind: $path" >&2
  left=1
done <"$work/files"
[ "$left" -eq 0 ] || fail "files of the package are left after removal"
echo "package check passed: $deb"

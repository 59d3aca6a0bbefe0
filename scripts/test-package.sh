#!/bin/sh
# Builds the Debian package (scripts/package.sh), installs it with apt-get,
# checks what it put on the system and that it works, then purges it and
# checks that nothing it installed is left. Run as root (CI runs it from
# scripts/test.sh). The package is removed again even when a check fails.
# Prints "N passed, N failed" last and exits non-zero on any failure.
set -u
cd "$(dirname "$0")/.."
export DEBIAN_FRONTEND=noninteractive
passed=0
failed=0
scratch=$(mktemp -d)

pass() { passed=$((passed + 1)); echo "ok: $1"; }
fail() { failed=$((failed + 1)); echo "FAIL: $1"; }
check() { # check DESCRIPTION COMMAND...
  what=$1
  shift
  if "$@" >"$scratch/out" 2>&1; then pass "$what"; else fail "$what"; sed 's/^/  | /' "$scratch/out"; fi
}
installed() { dpkg-query -W -f='${Status}' vistrel 2>/dev/null | grep -q "install ok installed"; }
purge() { apt-get remove --purge -y -q vistrel >"$scratch/purge.log" 2>&1; }
finish() {
  if installed; then purge || cat "$scratch/purge.log"; fi
  rm -rf "$scratch"
  echo "$passed passed, $failed failed"
  if [ "$failed" -eq 0 ]; then exit 0; fi
  exit 1
}
trap 'finish' EXIT
trap 'exit 1' INT TERM HUP

# The thumbnail check goes here once `vistrel-tool thumbnail` exists: run
# the installed thumbnailer entry's Exec line on the copied robot.3do and
# expect a 256 x 256 PNG with a transparent background (and no file for a
# broken model).
check_thumbnail() {
  return 0
}

# The MIME type the shared MIME database gives FILE, asked as a desktop
# without a session asks it: xdg-mime's generic path (mimetype).
mime_of() { XDG_CURRENT_DESKTOP=X-Generic xdg-mime query filetype "$1"; }
is_mime() { [ "$(mime_of "$2")" = "$1" ]; }

if installed; then
  echo "note: an installed vistrel package is replaced by this build and purged at the end"
fi
if ! sh scripts/package.sh >"$scratch/package.log" 2>&1 ||
  ! deb=$(tail -n 1 "$scratch/package.log") || [ ! -f "$deb" ]; then
  tail -n 40 "$scratch/package.log"
  fail "scripts/package.sh builds the package"
  exit 1
fi
pass "scripts/package.sh wrote $deb"
version=$(dpkg-deb -f "$deb" Version)
if ! apt-get install -y -q ./build/vistrel_*.deb >"$scratch/install.log" 2>&1; then
  cat "$scratch/install.log"
  fail "apt-get install ./build/vistrel_*.deb"
  exit 1
fi
pass "apt-get install ./build/vistrel_*.deb"
dpkg -L vistrel | sort >"$scratch/listed"

check "/usr/bin/vistrel and /usr/bin/vistrel-tool are programs" \
  test -x /usr/bin/vistrel -a -x /usr/bin/vistrel-tool
check "vistrel-tool --version names the package's version $version" \
  sh -c '[ "$(/usr/bin/vistrel-tool --version)" = "vistrel-tool $1" ]' sh "$version"
check "the desktop entry is valid" \
  sh -c '[ -z "$(desktop-file-validate /usr/share/applications/vistrel.desktop 2>&1)" ]'
check "the MIME package is installed" test -f /usr/share/mime/packages/vistrel.xml
check "the MIME database knows robot.3do as model/x-3do" \
  is_mime model/x-3do /usr/share/vistrel/samples/robot.3do
check "the thumbnailer entry runs vistrel-tool thumbnail" \
  grep -qx 'Exec=vistrel-tool thumbnail %i %o --size %s' /usr/share/thumbnailers/vistrel.thumbnailer
for size in 16x16 24x24 32x32 48x48 64x64 128x128 256x256; do
  check "icon $size" test -s /usr/share/icons/hicolor/$size/apps/vistrel.png
done
check "scalable icon" test -s /usr/share/icons/hicolor/scalable/apps/vistrel.svg
for page in vistrel vistrel-tool; do
  check "man finds the page $page(1)" \
    sh -c '[ "$(man -w "$1")" = "/usr/share/man/man1/$1.1.gz" ]' sh "$page"
done

# Smoke test from a folder without config.txt, on copies of the samples:
# the model's folder gets ModelStats.txt, and nothing is written under /usr.
mkdir -p "$scratch/copy" "$scratch/cwd"
cp /usr/share/vistrel/samples/* "$scratch/copy/"
check "vistrel-tool stats loads the copied robot.3do" \
  sh -c 'cd "$1/cwd" && /usr/bin/vistrel-tool stats "$1/copy/robot.3do" >"$1/stats.txt" &&
    grep -q "^Number of Hierarchy Nodes = 12" "$1/stats.txt" && [ -f "$1/copy/ModelStats.txt" ]' \
  sh "$scratch"
cp "$scratch/copy/robot.3do" "$scratch/copy/robot-renamed"
check "the MIME database knows a renamed model by its header" \
  is_mime model/x-3do "$scratch/copy/robot-renamed"
check_thumbnail

check "apt-get remove --purge vistrel" purge
left=""
while read -r path; do
  [ -e "$path" ] || continue
  # A directory that stays must belong to another package too.
  if [ -d "$path" ] && dpkg -S "$path" >/dev/null 2>&1; then continue; fi
  left="$left $path"
done <"$scratch/listed"
check "nothing the package installed is left after the purge" sh -c '[ -z "$1" ] || { echo "left:$1"; exit 1; }' sh "$left"
check "the MIME database forgot model/x-3do" \
  sh -c '[ "$(XDG_CURRENT_DESKTOP=X-Generic xdg-mime query filetype "$1")" != model/x-3do ]' sh "$scratch/copy/robot.3do"

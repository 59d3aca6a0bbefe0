#!/bin/sh
# Builds the Debian package (scripts/package.sh), installs it with apt-get,
# checks what it put on the system and that it works, then purges it and
# checks that nothing it installed is left. Run as root or with sudo (CI runs it from
# scripts/test.sh). The package is removed again even when a check fails.
# Prints "N passed, N failed" last and exits non-zero on any failure.
set -u
cd "$(dirname "$0")/.." || exit 1
export DEBIAN_FRONTEND=noninteractive
# Root installs directly; a user with sudo installs through it.
SUDO=""
if [ "$(id -u)" != "0" ]; then SUDO="sudo"; fi
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
purge() { $SUDO apt-get remove --purge -y -q vistrel >"$scratch/purge.log" 2>&1; }
finish() {
  if installed; then purge || cat "$scratch/purge.log"; fi
  rm -rf "$scratch"
  echo "$passed passed, $failed failed"
  if [ "$failed" -eq 0 ]; then exit 0; fi
  exit 1
}
trap 'finish' EXIT
trap 'exit 1' INT TERM HUP

# The thumbnailer as a file manager runs it: the installed entry's Exec line
# with %i, %o and %s filled in, from a folder of its own. On every sample at
# 128 and 256 it writes an RGBA PNG of that size; on hostile files (random
# bytes, a truncated sample, 300 MB of digits, models claiming huge counts) it
# fails within ten seconds and leaves nothing behind: no output, nothing new
# beside the model. The fuzzing limit files (large but well-formed) finish
# within the same bounds, with a PNG or with nothing.
thumb_exec() { # thumb_exec INPUT OUTPUT SIZE
  exec_line=$(sed -n 's/^Exec=//p' /usr/share/thumbnailers/vistrel.thumbnailer)
  exec_line=$(printf '%s' "$exec_line" | sed "s|%i|$1|; s|%o|$2|; s|%s|$3|")
  # shellcheck disable=SC2086 # the Exec line is split into words as a file manager does
  (cd "$scratch/cwd" && timeout 30 $exec_line)
}
png_of_size() { # png_of_size FILE SIZE: an RGBA PNG of SIZE x SIZE
  python3 -c 'import struct,sys
d = open(sys.argv[1], "rb").read(33)
w, h, depth, kind = struct.unpack(">IIBB", d[16:26])
sys.exit(0 if d[:8] == b"\x89PNG\r\n\x1a\n" and (w, h, depth, kind) == (int(sys.argv[2]),) * 2 + (8, 6) else 1)' "$1" "$2"
}
thumb_ok() { thumb_exec "$1" "$scratch/thumb.png" "$2" && png_of_size "$scratch/thumb.png" "$2"; }
thumb_bounded() { # thumb_bounded refused|either MODEL: in time, no folder changed
  rm -f "$scratch/thumb.png"
  before=$(ls -la "$(dirname "$2")" "$scratch/cwd")
  start=$(date +%s)
  if thumb_exec "$2" "$scratch/thumb.png" 256; then
    [ "$1" = either ] && png_of_size "$scratch/thumb.png" 256 || return 1
  else
    [ ! -e "$scratch/thumb.png" ] || return 1
  fi
  [ $(($(date +%s) - start)) -le 10 ] && [ "$before" = "$(ls -la "$(dirname "$2")" "$scratch/cwd")" ]
}
check_thumbnail() {
  for model in "$scratch"/copy/*.3do; do
    for size in 128 256; do
      check "thumbnailer Exec line on $(basename "$model") at $size" thumb_ok "$model" "$size"
    done
  done
  mkdir -p "$scratch/hostile"
  head -c 200000 /dev/urandom >"$scratch/hostile/random.3do"
  head -c 3000 "$scratch/copy/robot.3do" >"$scratch/hostile/truncated.3do"
  yes 1234567890 | head -c 300000000 >"$scratch/hostile/digits.3do"
  for claim in fuzz/corpus/model/huge_*.bin; do
    cp "$claim" "$scratch/hostile/$(basename "$claim" .bin).3do"
  done
  for model in "$scratch"/hostile/*.3do; do
    check "thumbnailer refuses $(basename "$model") within bounds, leaving nothing" \
      thumb_bounded refused "$model"
  done
  rm -f "$scratch/hostile/digits.3do"
  python3 fuzz/make_seeds.py --limits "$scratch/limits" >/dev/null
  for model in "$scratch"/limits/model/* "$scratch"/limits/draw/*; do
    check "thumbnailer on the limit file $(basename "$model") stays within bounds" \
      thumb_bounded either "$model"
  done
}

# The MIME type the shared MIME database gives FILE, asked as a desktop
# without a session asks it: xdg-mime's generic path (mimetype).
mime_of() { XDG_CURRENT_DESKTOP=X-Generic xdg-mime query filetype "$1"; }
is_mime() { [ "$(mime_of "$2")" = "$1" ]; }
is_not_mime() { [ "$(mime_of "$2")" != "$1" ]; }
tool_version_is() { [ "$(/usr/bin/vistrel-tool --version)" = "vistrel-tool $1" ]; }
no_output() { [ -z "$("$@" 2>&1)" ]; }
man_page_is() { [ "$(man -w "$1")" = "$2" ]; }
# vistrel-tool stats from a folder without config.txt, on copies of the
# samples: the report is printed, ModelStats.txt lands beside the model, and
# the fixed textures come from /usr/share/vistrel (no box on standard error).
stats_smoke() {
  (cd "$scratch/cwd" && /usr/bin/vistrel-tool stats "$scratch/copy/robot.3do" >"$scratch/stats.txt" \
    2>"$scratch/stats.err") && [ ! -s "$scratch/stats.err" ] &&
    grep -q "^Number of Hierarchy Nodes = 12" "$scratch/stats.txt" && [ -f "$scratch/copy/ModelStats.txt" ]
}
nothing_left() { [ -z "$left" ] || { echo "left:$left"; return 1; }; }

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
if ! $SUDO apt-get install -y -q ./build/vistrel_*.deb >"$scratch/install.log" 2>&1; then
  cat "$scratch/install.log"
  fail "apt-get install ./build/vistrel_*.deb"
  exit 1
fi
pass "apt-get install ./build/vistrel_*.deb"
dpkg -L vistrel | sort >"$scratch/listed"

check "/usr/bin/vistrel and /usr/bin/vistrel-tool are programs" \
  test -x /usr/bin/vistrel -a -x /usr/bin/vistrel-tool
check "vistrel-tool --version names the package's version $version" tool_version_is "$version"
check "the desktop entry is valid" no_output desktop-file-validate /usr/share/applications/vistrel.desktop
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
  check "man finds the page $page(1)" man_page_is "$page" "/usr/share/man/man1/$page.1.gz"
done

# Nothing is ever written under /usr: the samples are copied first.
mkdir -p "$scratch/copy" "$scratch/cwd"
cp /usr/share/vistrel/samples/* "$scratch/copy/"
check "vistrel-tool stats loads the copied robot.3do" stats_smoke
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
check "nothing the package installed is left after the purge" nothing_left
check "the MIME database forgot model/x-3do" is_not_mime model/x-3do "$scratch/copy/robot.3do"

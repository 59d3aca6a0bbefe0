#!/bin/sh
# Installs this build with `cmake --install` into a scratch prefix and checks
# the exact layout and the desktop files with the real desktop tools:
# desktop-file-validate, update-mime-database with xdg-mime (through
# mimetype, as without a desktop session, and through GLib's gio, as GNOME
# asks), and groff for the manual pages.
# usage: staged_install_test.sh BUILD_DIR SOURCE_DIR HAS_VIEWER(0|1)
# Exit status 77 (skipped) when a tool is missing.
set -u
build=$1
source=$2
has_viewer=$3
for tool in desktop-file-validate update-mime-database xdg-mime mimetype gio groff gzip od; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    echo "skipped: $tool not found (scripts/install-deps.sh installs it)"
    exit 77
  fi
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix
failed=0
fail() { failed=1; echo "FAIL: $*"; }

if ! cmake --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1; then
  cat "$work/install.log"
  fail "cmake --install"
  exit 1
fi

# The exact layout: these files, and no empty folder.
{
  if [ "$has_viewer" = 1 ]; then echo bin/vistrel; fi
  echo bin/vistrel-tool
  echo share/vistrel/config.txt
  (cd "$source" && ls systemtex/*.tga samples/*.3do samples/*.mat) | sed 's|^|share/vistrel/|'
  echo share/applications/vistrel.desktop
  echo share/mime/packages/vistrel.xml
  echo share/thumbnailers/vistrel.thumbnailer
  echo share/icons/hicolor/scalable/apps/vistrel.svg
  for size in 16 24 32 48 64 128 256; do echo share/icons/hicolor/${size}x$size/apps/vistrel.png; done
  echo share/man/man1/vistrel.1.gz
  echo share/man/man1/vistrel-tool.1.gz
} | sort >"$work/expected"
(cd "$prefix" && find . \( ! -type d -o -type d -empty \) | sed 's|^\./||' | sort) >"$work/actual"
diff "$work/expected" "$work/actual" || fail "installed files differ from the layout (< missing, > extra)"

share=$prefix/share
out=$(desktop-file-validate "$share/applications/vistrel.desktop" 2>&1) && [ -z "$out" ] ||
  fail "desktop-file-validate: $out"

for size in 16 24 32 48 64 128 256; do
  # The PNG header's width and height (big-endian, below 65536).
  # shellcheck disable=SC2046
  set -- $(od -An -tu1 -j16 -N8 "$share/icons/hicolor/${size}x$size/apps/vistrel.png")
  [ "$#" -eq 8 ] && [ $(($3 * 256 + $4)) -eq "$size" ] && [ $(($7 * 256 + $8)) -eq "$size" ] ||
    fail "icon ${size}x$size is not a $size x $size PNG"
done

# The MIME type as a desktop finds it, with the staged database first.
export XDG_DATA_HOME="$work/home" XDG_DATA_DIRS="$share:/usr/share"
update-mime-database "$share/mime" || fail "update-mime-database"
mkdir -p "$work/files"
cp "$share/vistrel/samples/robot.3do" "$work/files/robot.3do"
cp "$share/vistrel/samples/robot.3do" "$work/files/ROBOT.3DO"
cp "$share/vistrel/samples/robot.3do" "$work/files/robot-model"
printf 'To buy:\n3DO console\ncables\n' >"$work/files/notes"
for desktop in X-Generic GNOME; do
  for file in robot.3do ROBOT.3DO robot-model notes; do
    type=$(XDG_CURRENT_DESKTOP=$desktop xdg-mime query filetype "$work/files/$file" 2>&1)
    want=model/x-3do
    if [ "$file" = notes ]; then want=text/plain; fi
    [ "$type" = "$want" ] || fail "xdg-mime ($desktop) calls $file $type, not $want"
  done
done

# The thumbnailer runs the installed tool as `thumbnail MODEL OUT --size N`.
entry=$share/thumbnailers/vistrel.thumbnailer
try_exec=$(sed -n 's/^TryExec=//p' "$entry")
# shellcheck disable=SC2046
set -- $(sed -n 's/^Exec=//p' "$entry")
[ "$(head -n 1 "$entry")" = "[Thumbnailer Entry]" ] && [ -x "$prefix/bin/$try_exec" ] &&
  [ "$*" = "$try_exec thumbnail %i %o --size %s" ] &&
  grep -q '^MimeType=\(.*;\)*model/x-3do;' "$entry" || fail "thumbnailer entry: $(cat "$entry")"

for page in vistrel vistrel-tool; do
  gz=$share/man/man1/$page.1.gz
  # gzip -n: no file name flag and no time stamp in the header.
  [ "$(od -An -tu1 -j3 -N5 "$gz" | tr -s ' ')" = " 0 0 0 0 0" ] || fail "$page.1.gz has a name or time stamp"
  out=$(gzip -dc "$gz" | groff -man -Tutf8 -ww -z 2>&1) && [ -z "$out" ] || fail "groff on $page.1: $out"
done

[ "$failed" -eq 0 ] && echo "staged install: all checks passed"
exit "$failed"

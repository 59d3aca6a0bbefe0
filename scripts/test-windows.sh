#!/bin/sh
# End-to-end run of the native Windows build under Wine, as a person would
# use it: cross-builds and packs build-win/vistrel-windows.zip, unpacks it into
# a scratch folder, and inside Xvfb with openbox runs vistrel.exe under Wine:
#   1. answers the file dialog by typing a Z:\ path, checks that ModelStats.txt
#      lands in the model's folder (the dialog made it the current folder),
#      takes an F12 screenshot and compares it with the Linux
#      `vistrel-tool render` of the same view (the fps digits are ignored);
#   2. posts the full-screen toggle request WM_USER + 1 (vistrel-post.exe),
#      checks the refused mode switch's box (Xvfb has one display mode),
#      dismisses it, answers the dialog that comes again and sees a new
#      window, windowed, whose client area is 640 x 480, and an F12
#      screenshot of it that matches the Linux render whole;
#   3. ends with Esc and checks exit code 0 (F9 loading another model comes
#      before the toggle);
# then short runs: a cancelled first dialog and a path of 256 characters (too
# long for the 256-byte buffer) each give the reader's "Could not open 3do
# file" box and exit code 0, while a path of 255 characters loads (that run
# ends with WM_CLOSE, as the close box sends it); a start folder with an
# accented name is found again after the full-screen toggle; and
# `vistrel.exe MODEL.3do` opens the model without a dialog; a left drag
# turns the model as far as the Linux render says, PageDown loads the next
# sample, and F12 in a window resized to 400 x 300 writes a 400 x 300
# picture equal to the Linux render at that size, and a model dragged from
# another X client onto the window opens. Last,
# renders with vistrel-tool.exe under Wine and compares with the Linux render,
# and runs its stats with no display, where no GL context can be made; holds
# every other command of the tool against the Linux build's output (decode,
# export to .glb, .gltf and .obj, thumbnail, batches of thumbnails and
# renders with a broken model in the middle); and opens the model
# C:\Модели\José\робот.3do in the viewer (command line and dialog) and
# renders, thumbnails and exports it with the tool. Then, in a fresh prefix,
# installs build-win/vistrel-setup.exe silently, checks its files, its
# Start-menu entry and every registry key of the file type and the thumbnail
# provider, opens a .3do with `start` (the association, not the program's
# name) and compares its F12 picture with the Linux render, loads the
# provider through COM (tests/win32/thumbnail_com.cpp) and compares its
# picture with the Linux thumbnail, sees it fail on random bytes, and
# uninstalls silently: no file, no Start-menu entry, no key left.
# Every step is bounded in time; exits non-zero when anything fails.
#
# Environment: VISTREL_LINUX_BUILD (default build) is the native build whose
# bin/vistrel-tool draws the reference picture; VISTREL_KEEP_SCRATCH=1 keeps
# the scratch folder for a look after a failure.
set -eu
cd "$(dirname "$0")/.."
ROOT=$(pwd)
# UTF-8 arguments: Wine turns them into the programs' wide command line.
export LC_ALL=C.UTF-8
LINUX_BUILD=${VISTREL_LINUX_BUILD:-build}
WIN_BUILD=build-win
SAMPLE=robot.3do
SECOND_SAMPLE=cube.3do
THIRD_SAMPLE=ngon.3do
FPS_AREA=0,460,64,480   # the status bar's "NNN fps", window pixels, top-left origin
STARTED=$(date +%s)

say() { echo "== test-windows: $*"; }
# A failure prints its evidence: the X window tree, the processes still
# running with their state, the viewer's, Wine's and openbox's output, and
# saves a picture of the X screen as build-win/test-windows-screen.png.
fail() {
  echo "test-windows: FAIL: $*" >&2
  if [ -n "${DISPLAY:-}" ] && [ -n "${XVFB_PID:-}" ]; then
    echo "--- X window tree:" >&2
    timeout 20 xwininfo -root -tree >&2 || true
    picture=$ROOT/$WIN_BUILD/test-windows-screen.png
    if timeout 20 xwd -root -silent | python3 -c "import sys; sys.path.insert(0, 'tests/e2e')
import tga_png; tga_png.write_png(sys.argv[1], *tga_png.read_xwd(sys.stdin.buffer.read()))" \
      "$picture"; then
      echo "--- picture of the X screen: $picture" >&2
    fi
  fi
  echo "--- processes:" >&2
  ps -e --forest -o pid,ppid,stat,wchan:20,etime,time,args | grep -v ' \[' >&2 || true
  for log in viewer.log openbox.log xvfb.log drag-source.log tool.log batch.log stopped.log; do
    if [ -n "${SCRATCH:-}" ] && [ -f "$SCRATCH/$log" ]; then
      echo "--- $log:" >&2
      cat "$SCRATCH/$log" >&2
    fi
  done
  exit 1
}

for tool in x86_64-w64-mingw32-g++-posix cmake wine wineserver Xvfb openbox xdotool xwininfo zip \
  unzip python3 timeout xprop xwd makensis icotool; do
  command -v "$tool" > /dev/null 2>&1 || fail "'$tool' is missing (run scripts/install-deps.sh)"
done

say "cross-building and packing"
timeout 1200 sh scripts/package-windows.sh > /dev/null || fail "cross-build or packing failed"
ZIP=$ROOT/$WIN_BUILD/vistrel-windows.zip
POST_EXE=$ROOT/$WIN_BUILD/test-bin/vistrel-post.exe

say "native vistrel-tool for the reference pictures"
if [ ! -f "$LINUX_BUILD/CMakeCache.txt" ]; then
  cmake -S . -B "$LINUX_BUILD" > /dev/null || fail "configuring $LINUX_BUILD failed"
fi
timeout 1200 cmake --build "$LINUX_BUILD" -j2 --target vistrel-tool > /dev/null ||
  fail "building the native vistrel-tool failed"
LINUX_TOOL=$ROOT/$LINUX_BUILD/bin/vistrel-tool

# ---- Scratch folder, X server, window manager, Wine prefix ------------------
SCRATCH=$(mktemp -d "${TMPDIR:-/tmp}/vistrel-wine.XXXXXX")
XVFB_PID=""
OPENBOX_PID=""
VIEWER_PID=""
export WINEPREFIX="$SCRATCH/prefix" WINEDEBUG=-all WINEARCH=win64
# No Mono or Gecko installers, and no menu entries written for the desktop.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
# Wine, fontconfig and the window manager keep their files in the scratch folder.
mkdir -p "$SCRATCH/home"
export HOME="$SCRATCH/home" XDG_CACHE_HOME="$SCRATCH/home/.cache" XDG_CONFIG_HOME="$SCRATCH/home/.config"
export XDG_DATA_HOME="$SCRATCH/home/.local/share"
cleanup() {
  status=$?
  if [ -n "$VIEWER_PID" ]; then kill "$VIEWER_PID" 2> /dev/null || true; fi
  if [ -d "$WINEPREFIX" ]; then timeout 20 wineserver -k > /dev/null 2>&1 || true; fi
  if [ -n "$OPENBOX_PID" ]; then kill "$OPENBOX_PID" 2> /dev/null || true; fi
  if [ -n "$XVFB_PID" ]; then kill "$XVFB_PID" 2> /dev/null || true; fi
  if [ "${VISTREL_KEEP_SCRATCH:-0}" = "1" ]; then
    echo "test-windows: scratch folder kept: $SCRATCH"
  else
    rm -rf "$SCRATCH"
  fi
  exit "$status"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

unzip -q "$ZIP" -d "$SCRATCH" || fail "the package does not unpack"
APP=$SCRATCH/vistrel
for f in vistrel.exe vistrel-tool.exe config.txt systemtex samples/$SAMPLE samples/$SECOND_SAMPLE; do
  [ -e "$APP/$f" ] || fail "the package lacks $f"
done

# The Windows spelling of a path under / (Wine maps Z: to the root).
winpath() { printf 'Z:%s' "$1" | tr '/' '\\'; }

say "starting Xvfb and openbox"
# -noreset: the server would reset, refusing connections, each time its last
# client leaves; -r: no key repeat, so a key held down until the viewer has
# seen it is one press.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset -r 3> "$SCRATCH/display" \
  > "$SCRATCH/xvfb.log" 2>&1 &
XVFB_PID=$!
i=0
while [ ! -s "$SCRATCH/display" ]; do
  i=$((i + 1))
  [ $i -le 100 ] || fail "Xvfb did not start"
  sleep 0.1
done
DISPLAY=:$(cat "$SCRATCH/display")
export DISPLAY
openbox --sm-disable > "$SCRATCH/openbox.log" 2>&1 &
OPENBOX_PID=$!
# openbox has taken the screen once the root names its check window.
i=0
until xprop -root _NET_SUPPORTING_WM_CHECK 2> /dev/null | grep -q "window id"; do
  i=$((i + 1))
  [ $i -le 600 ] || fail "openbox did not take the screen"
  kill -0 "$OPENBOX_PID" 2> /dev/null || fail "openbox ended before it took the screen"
  sleep 0.1
done

say "first start of Wine (fresh prefix)"
timeout 180 wine wineboot --init > "$SCRATCH/wineboot.log" 2>&1 || fail "wineboot failed"
timeout 120 wineserver -w || fail "wineserver did not settle after wineboot"
# A crash prints its backtrace into the log instead of opening a dialog.
timeout 60 wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f \
  > /dev/null 2>&1 || fail "could not configure the Wine debugger"

# ---- Helpers -------------------------------------------------------------------
# Prints the id of the first window whose name matches the regular expression,
# waiting up to $2 seconds.
wait_window() {
  deadline=$(($(date +%s) + $2))
  while :; do
    id=$(xdotool search --name "$1" 2> /dev/null | head -n 1) || true
    if [ -n "$id" ]; then
      echo "$id"
      return 0
    fi
    [ "$(date +%s)" -lt "$deadline" ] || return 1
    sleep 0.2
  done
}
# Waits up to $2 seconds until no window's name matches $1.
wait_window_gone() {
  deadline=$(($(date +%s) + $2))
  while xdotool search --name "$1" > /dev/null 2>&1; do
    [ "$(date +%s)" -lt "$deadline" ] || return 1
    sleep 0.2
  done
}
wait_file() {
  deadline=$(($(date +%s) + $2))
  while [ ! -s "$1" ]; do
    [ "$(date +%s)" -lt "$deadline" ] || return 1
    sleep 0.2
  done
}
# Gives window $1 the keyboard focus through the window manager and waits
# until the X server says it has it: keys sent before would go elsewhere.
focus_window() {
  deadline=$(($(date +%s) + 60))
  asked=0
  until [ "$(xdotool getwindowfocus 2> /dev/null)" = "$1" ]; do
    now=$(date +%s)
    [ "$now" -lt "$deadline" ] || fail "window $1 did not get the keyboard focus"
    if [ $((now - asked)) -ge 5 ]; then # asked again if the request was lost
      xdotool windowactivate "$1" > /dev/null 2>&1 || true
      asked=$now
    fi
    sleep 0.05
  done
}
# Types a path into the open-file dialog and presses Return.
answer_dialog() {
  dialog=$(wait_window '^Choose a 3do to Open$' 60) || fail "the file dialog did not appear"
  focus_window "$dialog"
  xdotool type --delay 8 "$1"
  xdotool key Return
  wait_window_gone '^Choose a 3do to Open$' 60 || fail "the file dialog did not close"
}
# Checks the text of the open message box with caption $1, then dismisses it.
check_and_dismiss_box() {
  box=$(wait_window "^$1\$" 60) || fail "no message box captioned '$1' appeared"
  line=$(timeout 30 wine "$POST_EXE" --box-text "$1" | tr -d '\r') ||
    fail "could not read the box captioned '$1'"
  [ "$line" = "$2" ] || fail "box says '$line', expected '$2'"
  focus_window "$box"
  xdotool key Return
  wait_window_gone "^$1\$" 60 || fail "the box captioned '$1' did not go away"
}
# The viewer polls its keys once a frame, so a press and release it takes
# between two frames is never seen: each key is held down in the focused
# viewer until what it does can be seen (the command after the key), then
# let go.
hold_key_until() {
  key=$1
  shift
  window=$(wait_window '^Vistrel$' 60) || fail "the viewer's window is missing"
  focus_window "$window"
  xdotool keydown "$key"
  held=0
  "$@" || held=$?
  xdotool keyup "$key"
  return $held
}
# Waits until the screenshot $1 is there whole (its header's size).
screenshot_written() {
  deadline=$(($(date +%s) + 60))
  until [ -s "$1" ] && [ "$(stat -c %s "$1")" -ge "$(od -An -tu2 -j12 -N4 "$1" |
    awk '{print 18 + 4 * $1 * $2}')" ]; do
    [ "$(date +%s)" -lt "$deadline" ] || return 1
    sleep 0.05
  done
}
# F12 into the file $1 (the next free name). A first F12, whose file is
# removed, makes sure a frame has been drawn since every event sent before:
# the second one's picture is the frame before it.
screenshot() {
  hold_key_until F12 screenshot_written "$1" || return 1
  rm -f "$1"
  hold_key_until F12 screenshot_written "$1"
}
viewer_ended() {
  deadline=$(($(date +%s) + 60))
  while kill -0 "$VIEWER_PID" 2> /dev/null; do
    [ "$(date +%s)" -lt "$deadline" ] || return 1
    sleep 0.05
  done
}
dialog_shown() { wait_window '^Choose a 3do to Open$' 60 > /dev/null; }
start_viewer() {
  (cd "$APP" && exec timeout 120 wine vistrel.exe) > "$SCRATCH/viewer.log" 2>&1 &
  VIEWER_PID=$!
}
# Waits for the viewer to end and checks its exit code.
expect_exit() {
  code=0
  wait "$VIEWER_PID" || code=$?
  VIEWER_PID=""
  [ "$code" -eq "$1" ] || fail "vistrel.exe ended with $code, expected $1"
}
client_size() {
  xwininfo -id "$1" | awk '/Width:/ {w = $2} /Height:/ {h = $2} END {print w "x" h}'
}
# Compares the F12 screenshot $1 of the sample $2 (status bar on) with the
# Linux vistrel-tool render of the same view (further render options, such as
# --rotate or --size, after $3), written to $3; the fps digits are left out,
# in the screenshot's own size.
expect_linux_picture() {
  shot=$1 sample=$2 reference=$3
  shift 3
  "$LINUX_TOOL" render "$APP/samples/$sample" -o "$reference" --text fps "$@" > /dev/null ||
    fail "the Linux vistrel-tool render of $sample failed"
  # shellcheck disable=SC2046 # the width and the height, as two arguments
  set -- $(od -An -tu2 -j12 -N4 "$shot")
  python3 tests/win32/compare_tga.py "$shot" "$reference" \
    --ignore "0,$(($2 * 460 / 480)),$(($1 * 64 / 640)),$2" \
    --png "$SCRATCH/wine-$(basename "$shot" .tga).png" ||
    fail "the Wine screenshot $(basename "$shot") differs from the Linux render of $sample"
}
# Waits until the report beside the samples names the model $1.
wait_stats() {
  deadline=$(($(date +%s) + 60))
  until grep -q "$1" "$APP/samples/ModelStats.txt" 2> /dev/null; do
    [ "$(date +%s)" -lt "$deadline" ] || return 1
    sleep 0.2
  done
}

# ---- Run 1: dialog, first frame, screenshot -----------------------------------
say "run 1: choose $SAMPLE, F12, compare with the Linux render"
start_viewer
answer_dialog "$(winpath "$APP/samples/$SAMPLE")"
wait_file "$APP/samples/ModelStats.txt" 20 ||
  fail "ModelStats.txt did not appear in the model's folder"
[ ! -e "$APP/ModelStats.txt" ] || fail "ModelStats.txt was written beside the program"
first_window=$(wait_window '^Vistrel$' 30) || fail "the viewer's window did not appear"
[ "$(client_size "$first_window")" = "640x480" ] ||
  fail "client area is $(client_size "$first_window"), expected 640x480"
screenshot "$APP/samples/screen000.tga" || fail "F12 wrote no samples/screen000.tga"
expect_linux_picture "$APP/samples/screen000.tga" "$SAMPLE" "$SCRATCH/linux-render.tga"

say "run 1: F9 loads another model in place of the first"
hold_key_until F9 dialog_shown || fail "F9 showed no file dialog"
answer_dialog "$(winpath "$APP/samples/$THIRD_SAMPLE")"
wait_stats "$THIRD_SAMPLE" || fail "F9 did not load $THIRD_SAMPLE"
[ "$(wait_window '^Vistrel$' 5)" = "$first_window" ] || fail "F9 changed the window"

# ---- Run 1 goes on: full-screen toggle request ---------------------------------
say "run 1: WM_USER + 1 recreates the window; the mode switch is refused"
timeout 30 wine "$POST_EXE" || fail "vistrel-post.exe could not post the toggle request"
check_and_dismiss_box Error 'Error: Mode Switch Failed.\nRunning In Windowed Mode.'
answer_dialog "$(winpath "$APP/samples/$SECOND_SAMPLE")"
second_window=$(wait_window '^Vistrel$' 30) || fail "no window after the toggle request"
[ "$second_window" != "$first_window" ] || fail "the window was not made again"
# Windowed after the refusal, with the whole 640 x 480 picture in the client
# area (the regression: an unadjusted rectangle left a smaller client area,
# a cut picture and a screenshot partly read from outside the window).
size=$(client_size "$second_window")
[ "$size" = "640x480" ] || fail "client area after the refused switch is $size"
screenshot "$APP/samples/screen001.tga" || fail "F12 after the toggle wrote no screen001.tga"
expect_linux_picture "$APP/samples/screen001.tga" "$SECOND_SAMPLE" "$SCRATCH/linux-render-2.tga"
hold_key_until Escape viewer_ended || fail "Esc did not end the viewer"
expect_exit 0

# ---- Runs 2 and 3: no model chosen ---------------------------------------------
say "run 2: cancelling the first dialog"
start_viewer
dialog=$(wait_window '^Choose a 3do to Open$' 60) || fail "the file dialog did not appear"
focus_window "$dialog"
xdotool key Escape
check_and_dismiss_box ERROR 'ERROR: Could not open 3do file'
expect_exit 0

# A folder under samples/ whose model path, in its Windows spelling, is exactly
# $1 characters long ($2 names the model copied there with every MAT file).
folder_for_length() {
  folder=$APP/samples/q
  while [ $((2 + ${#folder} + 1 + ${#2})) -lt "$1" ]; do
    last=${folder##*/}
    if [ ${#last} -ge 200 ]; then folder=$folder/q; else folder=${folder}q; fi
  done
  [ $((2 + ${#folder} + 1 + ${#2})) -eq "$1" ] || fail "cannot make a path of $1 characters"
  mkdir -p "$folder"
  cp "$APP/samples/$2" "$APP/samples/"*.mat "$folder/"
  echo "$folder"
}

say "run 3: a path of 256 characters does not fit the 256-byte buffer: refused"
long_folder=$(folder_for_length 256 "$SECOND_SAMPLE")
start_viewer
answer_dialog "$(winpath "$long_folder/$SECOND_SAMPLE")"
check_and_dismiss_box ERROR 'ERROR: Could not open 3do file'
expect_exit 0
[ ! -e "$long_folder/ModelStats.txt" ] || fail "a path too long for the buffer was used anyway"

say "run 4: a path of 255 characters fits and loads"
fitting_folder=$(folder_for_length 255 "$SECOND_SAMPLE")
start_viewer
answer_dialog "$(winpath "$fitting_folder/$SECOND_SAMPLE")"
wait_file "$fitting_folder/ModelStats.txt" 20 || fail "the model at a 255-character path did not load"
wait_window '^Vistrel$' 30 > /dev/null || fail "the viewer's window did not appear"
# WM_CLOSE, as the close box sends it, ends the program too.
timeout 30 wine "$POST_EXE" 0x10 || fail "vistrel-post.exe could not post WM_CLOSE"
expect_exit 0

# The start folder is kept as a path, not a narrow string in the code page,
# so a start folder named outside ASCII is found again after the toggle and
# the second start-up reads its config.txt there.
say "run 5: a start folder with an accented name survives the full-screen toggle"
accented=$SCRATCH/Vistrel-José
mkdir -p "$accented"
cp -r "$APP/config.txt" "$APP/systemtex" "$accented/"
(cd "$accented" && exec timeout 120 wine "$APP/vistrel.exe") > "$SCRATCH/viewer.log" 2>&1 &
VIEWER_PID=$!
answer_dialog "$(winpath "$APP/samples/$SAMPLE")"
accented_window=$(wait_window '^Vistrel$' 30) || fail "the viewer's window did not appear"
timeout 30 wine "$POST_EXE" || fail "vistrel-post.exe could not post the toggle request"
check_and_dismiss_box Error 'Error: Mode Switch Failed.\nRunning In Windowed Mode.'
answer_dialog "$(winpath "$APP/samples/$SECOND_SAMPLE")"
deadline=$(($(date +%s) + 30))
until window=$(wait_window '^Vistrel$' 1) && [ "$window" != "$accented_window" ]; do
  [ "$(date +%s)" -lt "$deadline" ] || fail "no window after the toggle from an accented start folder"
done
hold_key_until Escape viewer_ended || fail "Esc did not end the viewer"
expect_exit 0

say "run 6: vistrel.exe MODEL.3do opens the model without a dialog"
(cd "$SCRATCH" && exec timeout 120 wine "$APP/vistrel.exe" "$(winpath "$APP/samples/$SAMPLE")") \
  > "$SCRATCH/viewer.log" 2>&1 &
VIEWER_PID=$!
wait_window '^Vistrel$' 30 > /dev/null || fail "the viewer's window did not appear"
rm -f "$APP/samples/screen"*.tga
# Frames drawn: start-up, and any dialog of it, is over.
screenshot "$APP/samples/screen000.tga" || fail "F12 wrote no screenshot beside the model"
if xdotool search --name '^Choose a 3do to Open$' > /dev/null 2>&1; then
  fail "a file dialog opened although a model was given"
fi
expect_linux_picture "$APP/samples/screen000.tga" "$SAMPLE" "$SCRATCH/linux-render-3.tga"
hold_key_until Escape viewer_ended || fail "Esc did not end the viewer"
expect_exit 0

say "run 7: a mouse drag turns the model, PageDown loads the next sample, F12 after a resize"
(cd "$SCRATCH" && exec timeout 120 wine "$APP/vistrel.exe" "$(winpath "$APP/samples/$SAMPLE")") \
  > "$SCRATCH/viewer.log" 2>&1 &
VIEWER_PID=$!
window=$(wait_window '^Vistrel$' 30) || fail "the viewer's window did not appear"
rm -f "$APP/samples/screen"*.tga
screenshot "$APP/samples/screen000.tga" || fail "F12 before the drag wrote no screenshot"
rm -f "$APP/samples/screen000.tga"
# 64 x 32 pixels of a 640-pixel-wide client area: 18 degrees about y, 9 about
# x; the viewer takes the events in order, and the screenshot waits for them.
xdotool mousemove --window "$window" 200 200 mousedown 1
xdotool mousemove --window "$window" 264 232 mouseup 1
screenshot "$APP/samples/screen000.tga" || fail "F12 after the drag wrote no screenshot"
expect_linux_picture "$APP/samples/screen000.tga" "$SAMPLE" "$SCRATCH/linux-drag.tga" \
  --rotate 9,18,0
hold_key_until Next wait_stats "$SECOND_SAMPLE" ||
  fail "PageDown did not load $SECOND_SAMPLE after $SAMPLE"
xdotool windowsize --sync "$window" 400 300 || fail "could not resize the viewer's window"
[ "$(client_size "$window")" = "400x300" ] || fail "client area is $(client_size "$window")"
screenshot "$APP/samples/screen001.tga" || fail "F12 after the resize wrote no screenshot"
size=$(od -An -tu2 -j12 -N4 "$APP/samples/screen001.tga" | awk '{print $1 "x" $2}')
[ "$size" = "400x300" ] || fail "F12 in a 400x300 window wrote a $size picture"
expect_linux_picture "$APP/samples/screen001.tga" "$SECOND_SAMPLE" "$SCRATCH/linux-small.tga" \
  --size 400x300
# A text file and a model dragged from another X client onto the window.
echo "not a model" > "$SCRATCH/notes.txt"
/usr/bin/python3 tests/e2e/drag_source.py "$SCRATCH/notes.txt" "$APP/samples/$THIRD_SAMPLE" \
  > "$SCRATCH/drag-source.log" 2>&1 &
SOURCE_PID=$!
source_window=$(wait_window '^Vistrel drag source$' 30) || fail "the drag source did not appear"
drag_source_says() { grep -qx "$1" "$SCRATCH/drag-source.log"; }
deadline=$(($(date +%s) + 60))
until drag_source_says ready; do
  [ "$(date +%s)" -lt "$deadline" ] || fail "the drag source drew no window"
  sleep 0.05
done
xdotool mousemove --window "$source_window" 100 50 mousedown 1
for step in 1 2 3 4 5 6 7 8 9 10; do
  xdotool mousemove --window "$window" $((30 * step)) $((20 * step))
done
xdotool mouseup 1
wait_stats "$THIRD_SAMPLE" || fail "the dropped $THIRD_SAMPLE was not loaded"
kill "$SOURCE_PID"
hold_key_until Escape viewer_ended || fail "Esc did not end the viewer"
expect_exit 0

# ---- vistrel-tool.exe under Wine -------------------------------------------------
say "vistrel-tool.exe render under Wine against the Linux render"
(cd "$APP" && timeout 60 wine vistrel-tool.exe render "$(winpath "$APP/samples/$SAMPLE")" \
  -o "$(winpath "$SCRATCH/wine-tool.tga")" --text fps) > "$SCRATCH/tool.log" 2>&1 ||
  fail "vistrel-tool.exe render failed: $(cat "$SCRATCH/tool.log")"
python3 tests/win32/compare_tga.py "$SCRATCH/wine-tool.tga" "$SCRATCH/linux-render.tga" \
  --ignore "$FPS_AREA" ||
  fail "vistrel-tool.exe's render differs from the Linux render"

# ---- Every command of the Linux tool, with the same outputs ---------------------
# Each command's files against the Linux build's: the same bytes for .gltf,
# .bin, .obj, .mtl and decoded TGA; the same pixels for PNG (the encoders
# differ); drawn pictures within the render comparison's tolerance (the GL
# under Wine is not the Linux tool's EGL).
wine_tool() { (cd "$APP" && timeout 120 wine vistrel-tool.exe "$@"); }
say "vistrel-tool.exe decode and export: the Linux build's bytes and pixels"
mkdir -p "$SCRATCH/wine-decode" "$SCRATCH/linux-decode"
wine_tool decode "$(winpath "$APP/samples/robot_face.mat")" \
  -o "$(winpath "$SCRATCH/wine-decode/robot_face.tga")" > "$SCRATCH/tool.log" 2>&1 ||
  fail "vistrel-tool.exe decode failed: $(cat "$SCRATCH/tool.log")"
"$LINUX_TOOL" decode "$APP/samples/robot_face.mat" -o "$SCRATCH/linux-decode/robot_face.tga" \
  > /dev/null || fail "the Linux decode failed"
python3 tests/win32/same_outputs.py "$SCRATCH/wine-decode" "$SCRATCH/linux-decode" ||
  fail "vistrel-tool.exe decode differs from the Linux build's"
for format in glb gltf obj; do
  mkdir -p "$SCRATCH/wine-$format" "$SCRATCH/linux-$format"
  wine_tool export "$(winpath "$APP/samples/$SAMPLE")" \
    -o "$(winpath "$SCRATCH/wine-$format/model.$format")" > "$SCRATCH/tool.log" 2>&1 ||
    fail "vistrel-tool.exe export to .$format failed: $(cat "$SCRATCH/tool.log")"
  "$LINUX_TOOL" export "$APP/samples/$SAMPLE" -o "$SCRATCH/linux-$format/model.$format" \
    > /dev/null || fail "the Linux export to .$format failed"
  python3 tests/win32/same_outputs.py "$SCRATCH/wine-$format" "$SCRATCH/linux-$format" ||
    fail "vistrel-tool.exe export to .$format differs from the Linux build's"
done
# A second export replaces the first (files tinygltf made must not be read-only).
wine_tool export "$(winpath "$APP/samples/$SAMPLE")" \
  -o "$(winpath "$SCRATCH/wine-gltf/model.gltf")" > "$SCRATCH/tool.log" 2>&1 ||
  fail "a second export over the first failed: $(cat "$SCRATCH/tool.log")"

say "vistrel-tool.exe thumbnail, and batches with a broken model in the middle"
wine_tool thumbnail "$(winpath "$APP/samples/$SAMPLE")" "$(winpath "$SCRATCH/wine-thumb.png")" \
  > "$SCRATCH/tool.log" 2>&1 || fail "vistrel-tool.exe thumbnail failed: $(cat "$SCRATCH/tool.log")"
"$LINUX_TOOL" thumbnail "$APP/samples/$SAMPLE" "$SCRATCH/linux-thumb.png" ||
  fail "the Linux thumbnail failed"
python3 tests/win32/compare_tga.py "$SCRATCH/wine-thumb.png" "$SCRATCH/linux-thumb.png" ||
  fail "vistrel-tool.exe's thumbnail differs from the Linux one"
printf 'not a model\n' > "$SCRATCH/broken.3do"
for command in thumbnail render; do
  for side in wine linux; do mkdir -p "$SCRATCH/$side-batch-$command"; done
  status=0
  wine_tool "$command" "$(winpath "$APP/samples/$SECOND_SAMPLE")" "$(winpath "$SCRATCH/broken.3do")" \
    "$(winpath "$APP/samples/$THIRD_SAMPLE")" -o "$(winpath "$SCRATCH/wine-batch-$command")\\" \
    > "$SCRATCH/batch.log" 2>&1 || status=$?
  tr -d '\r' < "$SCRATCH/batch.log" > "$SCRATCH/batch.txt"
  [ "$status" = 1 ] && grep -q 'broken.3do: ERROR: File header does not match 3do$' \
    "$SCRATCH/batch.txt" && [ "$(tail -n 1 "$SCRATCH/batch.txt")" = "2 written, 1 failed" ] ||
    fail "the $command batch: exit $status, $(cat "$SCRATCH/batch.txt")"
  "$LINUX_TOOL" "$command" "$APP/samples/$SECOND_SAMPLE" "$SCRATCH/broken.3do" \
    "$APP/samples/$THIRD_SAMPLE" -o "$SCRATCH/linux-batch-$command/" > /dev/null 2>&1 || true
  [ "$(ls "$SCRATCH/wine-batch-$command")" = "$(ls "$SCRATCH/linux-batch-$command")" ] ||
    fail "the $command batch wrote $(ls "$SCRATCH/wine-batch-$command" | tr '\n' ' ')"
  for picture in "$SCRATCH/linux-batch-$command"/*; do
    python3 tests/win32/compare_tga.py "$SCRATCH/wine-batch-$command/${picture##*/}" "$picture" ||
      fail "the $command batch's ${picture##*/} differs from the Linux one"
  done
done

# Ctrl+C (Wine turns SIGINT into it) stops a long batch at once: the model in
# hand is counted as failed, its half-written picture and private folder are
# gone (the stop comes on another thread: the main thread is halted and the
# file closed first), the pictures written before stay.
say "vistrel-tool.exe thumbnail: Ctrl+C stops a batch of 2000 and leaves no part behind"
mkdir -p "$SCRATCH/stopped"
i=0
while [ $i -lt 2000 ]; do printf "%s\n" "$(winpath "$APP/samples/$SECOND_SAMPLE")"; i=$((i + 1)); done \
  > "$SCRATCH/many.txt"
wine_tool thumbnail --from "$(winpath "$SCRATCH/many.txt")" -o "$(winpath "$SCRATCH/stopped")\\" \
  > "$SCRATCH/stopped.log" 2>&1 &
BATCH_PID=$!
wait_file "$SCRATCH/stopped/cube.png" 60 || fail "the batch wrote no first picture"
pkill -INT -f '^[^ ]*vistrel-tool.exe thumbnail --from' || fail "no batch to stop"
status=0
wait "$BATCH_PID" || status=$?
tr -d '\r' < "$SCRATCH/stopped.log" > "$SCRATCH/stopped.txt"
written=$(find "$SCRATCH/stopped" -name '*.png' | wc -l)
# The count takes every picture in place, but for the one in hand: a stop
# just after its rename, before the batch has moved on, counts it as failed.
closing=$(tail -n 1 "$SCRATCH/stopped.txt")
[ "$status" = 1 ] && grep -q ': vistrel-tool thumbnail: stopped$' "$SCRATCH/stopped.txt" &&
  { [ "$closing" = "$written written, $((2000 - written)) failed" ] ||
    [ "$closing" = "$((written - 1)) written, $((2001 - written)) failed" ]; } ||
  fail "the stopped batch: exit $status, $written pictures, $(tail -n 3 "$SCRATCH/stopped.txt")"
[ -z "$(find "$SCRATCH/stopped" -name '.*')" ] ||
  fail "the stopped batch left $(find "$SCRATCH/stopped" -name '.*' | head -3)"

# ---- A model at a path outside the ANSI code page --------------------------------
# C:\Модели\José\робот.3do: opened by the viewer from its command line and
# from its dialog, drawn, exported and thumbnailed by the tool.
say "the model C:\\Модели\\José\\робот.3do in the viewer and the tool"
UNICODE_DIR="$WINEPREFIX/drive_c/Модели/José"
UNICODE_MODEL='C:\Модели\José\робот.3do'
mkdir -p "$UNICODE_DIR"
cp "$APP/samples/$SAMPLE" "$UNICODE_DIR/робот.3do"
cp "$APP/samples/"*.mat "$UNICODE_DIR/"
(cd "$SCRATCH" && exec timeout 120 wine "$APP/vistrel.exe" "$UNICODE_MODEL") \
  > "$SCRATCH/viewer.log" 2>&1 &
VIEWER_PID=$!
wait_window '^Vistrel$' 30 > /dev/null || fail "the viewer's window did not appear"
screenshot "$UNICODE_DIR/screen000.tga" || fail "F12 wrote no screenshot beside робот.3do"
expect_linux_picture "$UNICODE_DIR/screen000.tga" "$SAMPLE" "$SCRATCH/linux-render-4.tga"
grep -q 'Модели\\José\\робот.3do' "$UNICODE_DIR/ModelStats.txt" ||
  fail "ModelStats.txt beside робот.3do does not name it"
hold_key_until Escape viewer_ended || fail "Esc did not end the viewer"
expect_exit 0
# xdotool cannot type characters outside the keyboard map into Wine, so the
# dialog opens in the folder and is answered with a name in ASCII: the path
# it hands back is C:\Модели\José\robot.3do. The dialog opens in the
# current folder once its memory of the last folder is gone; the viewer
# started there stays there when the folder holds config.txt and systemtex/,
# which are then read from it.
timeout 60 wine reg delete 'HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\ComDlg32' /f \
  > /dev/null 2>&1 || true
rm -f "$UNICODE_DIR/ModelStats.txt"
cp "$APP/samples/$SAMPLE" "$UNICODE_DIR/robot.3do"
cp -r "$APP/config.txt" "$APP/systemtex" "$UNICODE_DIR/"
(cd "$UNICODE_DIR" && exec timeout 120 wine "$APP/vistrel.exe") > "$SCRATCH/viewer.log" 2>&1 &
VIEWER_PID=$!
answer_dialog robot.3do
wait_file "$UNICODE_DIR/ModelStats.txt" 20 || fail "the dialog's robot.3do beside робот.3do did not load"
grep -q 'Модели\\José\\robot.3do' "$UNICODE_DIR/ModelStats.txt" ||
  fail "ModelStats.txt does not name the robot.3do beside робот.3do: $(head -n 1 "$UNICODE_DIR/ModelStats.txt")"
wait_window '^Vistrel$' 30 > /dev/null || fail "the viewer's window did not appear"
hold_key_until Escape viewer_ended || fail "Esc did not end the viewer"
expect_exit 0
# The tool unpacked into such a folder finds its config.txt and systemtex/.
UNICODE_APP="$WINEPREFIX/drive_c/Программы/vistrel"
mkdir -p "$UNICODE_APP"
cp -r "$APP/vistrel-tool.exe" "$APP/config.txt" "$APP/systemtex" "$UNICODE_APP/"
(cd "$SCRATCH" && timeout 120 wine 'C:\Программы\vistrel\vistrel-tool.exe' render \
  "$UNICODE_MODEL" -o "$(winpath "$SCRATCH/unicode-app.tga")" --text fps) > "$SCRATCH/tool.log" 2>&1 ||
  fail "the tool in Программы/vistrel failed: $(cat "$SCRATCH/tool.log")"
python3 tests/win32/compare_tga.py "$SCRATCH/unicode-app.tga" "$SCRATCH/linux-render.tga" \
  --ignore "$FPS_AREA" || fail "the tool in Программы/vistrel drew another picture"
wine_tool render "$UNICODE_MODEL" -o 'C:\Модели\José\робот.tga' --text fps \
  > "$SCRATCH/tool.log" 2>&1 || fail "render of робот.3do failed: $(cat "$SCRATCH/tool.log")"
python3 tests/win32/compare_tga.py "$UNICODE_DIR/робот.tga" "$SCRATCH/linux-render.tga" \
  --ignore "$FPS_AREA" || fail "the render of робот.3do differs from the Linux render"
wine_tool thumbnail "$UNICODE_MODEL" 'C:\Модели\José\робот.png' > "$SCRATCH/tool.log" 2>&1 ||
  fail "thumbnail of робот.3do failed: $(cat "$SCRATCH/tool.log")"
python3 tests/win32/compare_tga.py "$UNICODE_DIR/робот.png" "$SCRATCH/linux-thumb.png" ||
  fail "the thumbnail of робот.3do differs from the Linux one"
mkdir -p "$UNICODE_DIR/glb" "$SCRATCH/linux-unicode/Модели/José/glb"
wine_tool export "$UNICODE_MODEL" -o 'C:\Модели\José\glb\робот.glb' > "$SCRATCH/tool.log" 2>&1 ||
  fail "export of робот.3do failed: $(cat "$SCRATCH/tool.log")"
cp "$UNICODE_DIR/"*.mat "$UNICODE_DIR/робот.3do" "$SCRATCH/linux-unicode/Модели/José/"
"$LINUX_TOOL" export "$SCRATCH/linux-unicode/Модели/José/робот.3do" \
  -o "$SCRATCH/linux-unicode/Модели/José/glb/робот.glb" > /dev/null || fail "the Linux export failed"
python3 tests/win32/same_outputs.py "$UNICODE_DIR/glb" "$SCRATCH/linux-unicode/Модели/José/glb" ||
  fail "the export of робот.3do differs from the Linux build's"

# ---- The installer, in a fresh prefix --------------------------------------------
say "installer: silent install into a fresh prefix"
timeout 60 wineserver -k > /dev/null 2>&1 || true
export WINEPREFIX="$SCRATCH/install-prefix"
timeout 180 wine wineboot --init > "$SCRATCH/wineboot.log" 2>&1 || fail "wineboot failed"
timeout 120 wineserver -w || fail "wineserver did not settle after wineboot"
timeout 60 wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f \
  > /dev/null 2>&1 || fail "could not configure the Wine debugger"
timeout 300 wine "$(winpath "$ROOT/$WIN_BUILD/vistrel-setup.exe")" /S > "$SCRATCH/setup.log" 2>&1 ||
  fail "the silent install failed: $(cat "$SCRATCH/setup.log")"
timeout 120 wineserver -w || fail "the installer did not finish"
PROGRAM="$WINEPREFIX/drive_c/Program Files/Vistrel"
MENU="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Vistrel.lnk"
for f in vistrel.exe vistrel-tool.exe vistrel-thumbnails.dll uninstall.exe config.txt \
  systemtex "samples/$SAMPLE"; do
  [ -e "$PROGRAM/$f" ] || fail "the install lacks $f"
done
[ -e "$MENU" ] || fail "the install made no Start-menu entry"
[ ! -e "$XDG_DATA_HOME/applications/wine" ] || fail "Wine wrote menu entries for the Linux desktop"
# The value $2 of the key $1 ("" for the key's default) must be $3.
expect_value() {
  if [ -z "$2" ]; then which=/ve; else which="/v $2"; fi
  # shellcheck disable=SC2086 # /v and the name are two arguments
  found=$(timeout 60 wine reg query "$1" $which 2> /dev/null | tr -d '\r' |
    sed -n 's/^ *.* *REG_[A-Z_]* *//p' | head -n 1) || true
  [ "$found" = "$3" ] || fail "registry: $1 ${2:-(default)} is '$found', expected '$3'"
}
CLASSES='HKLM\Software\Classes'
PROVIDER='{2921C062-5867-4F3E-906D-505D43ADBAFF}'
THUMBNAILS='ShellEx\{E357FCCD-A995-4576-B01F-234630154E96}'
INSTALLED='C:\Program Files\Vistrel'
UNINSTALL_KEY='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Vistrel'
expect_value "$CLASSES\\Vistrel.Model.1" "" "3DO model"
expect_value "$CLASSES\\Vistrel.Model.1" FriendlyTypeName "3DO model"
expect_value "$CLASSES\\Vistrel.Model.1\\DefaultIcon" "" "$INSTALLED\\vistrel.exe,0"
expect_value "$CLASSES\\Vistrel.Model.1\\shell\\open\\command" "" "\"$INSTALLED\\vistrel.exe\" \"%1\""
expect_value "$CLASSES\\Vistrel.Model.1\\$THUMBNAILS" "" "$PROVIDER"
expect_value "$CLASSES\\.3do" "" "Vistrel.Model.1"
expect_value "$CLASSES\\.3do\\OpenWithProgids" Vistrel.Model.1 ""
expect_value "$CLASSES\\.3do\\$THUMBNAILS" "" "$PROVIDER"
expect_value "$CLASSES\\CLSID\\$PROVIDER\\InprocServer32" "" "$INSTALLED\\vistrel-thumbnails.dll"
expect_value "$CLASSES\\CLSID\\$PROVIDER\\InprocServer32" ThreadingModel Apartment
expect_value "$CLASSES\\CLSID\\$PROVIDER" DisableProcessIsolation 0x1
expect_value "$UNINSTALL_KEY" DisplayName Vistrel
expect_value "$UNINSTALL_KEY" QuietUninstallString "\"$INSTALLED\\uninstall.exe\" /S"
timeout 60 wine reg query "$CLASSES\\.3do\\OpenWithProgids" /v Vistrel.Model.1 > /dev/null 2>&1 ||
  fail "registry: .3do's OpenWithProgids does not name Vistrel.Model.1"

say "installer: a .3do opens through its association; the provider through COM"
MODELS="$WINEPREFIX/drive_c/models"
mkdir -p "$MODELS"
cp "$APP/samples/$SAMPLE" "$APP/samples/"*.mat "$MODELS/"
# start hands the file to the shell, which finds the program from .3do.
(cd "$SCRATCH" && timeout 60 wine start "C:\\models\\$SAMPLE") > "$SCRATCH/viewer.log" 2>&1 ||
  fail "start on $SAMPLE failed: $(cat "$SCRATCH/viewer.log")"
wait_window '^Vistrel$' 60 > /dev/null || fail "the association opened no viewer"
screenshot "$MODELS/screen000.tga" || fail "F12 wrote no screenshot beside the model"
expect_linux_picture "$MODELS/screen000.tga" "$SAMPLE" "$SCRATCH/linux-render-5.tga"
window_gone() { wait_window_gone '^Vistrel$' 60; }
hold_key_until Escape window_gone || fail "Esc did not end the viewer"
COM_EXE=$ROOT/$WIN_BUILD/test-bin/vistrel-thumbnail-com.exe
timeout 120 wine "$COM_EXE" "C:\\models\\$SAMPLE" 'C:\models\com.tga' 256 \
  > "$SCRATCH/tool.log" 2>&1 || fail "the provider made no thumbnail: $(cat "$SCRATCH/tool.log")"
grep -q '^256x256 alpha 2' "$SCRATCH/tool.log" ||
  fail "the provider's picture is not 256x256 WTSAT_ARGB: $(cat "$SCRATCH/tool.log")"
python3 tests/win32/compare_tga.py "$MODELS/com.tga" "$SCRATCH/linux-thumb.png" --alpha ||
  fail "the provider's thumbnail differs from the Linux one"
python3 -c "import random, sys; random.seed(21); sys.stdout.buffer.write(bytes(random.randrange(256) for _ in range(4096)))" \
  > "$MODELS/noise.3do"
status=0
timeout 120 wine "$COM_EXE" 'C:\models\noise.3do' 'C:\models\noise.tga' > "$SCRATCH/tool.log" 2>&1 ||
  status=$?
[ "$status" = 1 ] && grep -q '^GetThumbnail failed' "$SCRATCH/tool.log" ||
  fail "the provider on random bytes: exit $status, $(cat "$SCRATCH/tool.log")"

say "installer: silent uninstall leaves no file and no key"
timeout 120 wine "$INSTALLED\\uninstall.exe" /S > "$SCRATCH/setup.log" 2>&1 ||
  fail "the silent uninstall failed: $(cat "$SCRATCH/setup.log")"
timeout 120 wineserver -w || fail "the uninstaller did not finish"
[ ! -e "$PROGRAM" ] || fail "the uninstall left $(find "$PROGRAM" | head -5)"
[ ! -e "$MENU" ] || fail "the uninstall left the Start-menu entry"
for key in "$CLASSES\\Vistrel.Model.1" "$CLASSES\\.3do" "$CLASSES\\CLSID\\$PROVIDER" "$UNINSTALL_KEY"; do
  if timeout 60 wine reg query "$key" > /dev/null 2>&1; then fail "the uninstall left $key"; fi
done

# Last: after a program run with no display, Wine's next programs found no
# display driver ("no driver could be loaded"), display or not.
# stats draws nothing and starts no GL: with no display Wine can make no GL
# context (render fails with its message), and stats still prints the Linux
# report (the first line names the model's path, Windows' or Linux's).
say "vistrel-tool.exe stats with no display, where no GL can start"
mkdir -p "$SCRATCH/linux-stats"
cp "$APP/samples/"*.3do "$APP/samples/"*.mat "$SCRATCH/linux-stats/"
"$LINUX_TOOL" stats "$SCRATCH/linux-stats/$SAMPLE" > "$SCRATCH/linux-stats.txt" ||
  fail "the Linux stats of $SAMPLE failed"
(cd "$APP" && env -u DISPLAY timeout 60 wine vistrel-tool.exe stats \
  "$(winpath "$APP/samples/$SAMPLE")") > "$SCRATCH/wine-stats.txt" 2> "$SCRATCH/wine-stats.log" ||
  fail "vistrel-tool.exe stats with no display failed: $(cat "$SCRATCH/wine-stats.log")"
tr -d '\r' < "$SCRATCH/wine-stats.txt" | tail -n +2 > "$SCRATCH/wine-stats.body"
tail -n +2 "$SCRATCH/linux-stats.txt" | cmp -s - "$SCRATCH/wine-stats.body" ||
  fail "vistrel-tool.exe stats differs from the Linux report: $(diff "$SCRATCH/wine-stats.body" \
    "$SCRATCH/linux-stats.txt" | head -5)"
status=0
(cd "$APP" && env -u DISPLAY timeout 60 wine vistrel-tool.exe render \
  "$(winpath "$APP/samples/$SAMPLE")" -o "$(winpath "$SCRATCH/no-display.tga")") \
  > "$SCRATCH/no-display.log" 2>&1 || status=$?
[ "$status" = 1 ] && grep -q "could not create an offscreen OpenGL context" "$SCRATCH/no-display.log" ||
  fail "render with no display: exit $status, $(cat "$SCRATCH/no-display.log")"

say "passed in $(($(date +%s) - STARTED)) s"

#!/usr/bin/env bash
# Side-by-side comparison: the same textured torus as a 3DO (with a MAT) and
# as an OBJ (with an MTL and a PNG), at about 1,000 and 200,000 triangles.
# Times, with hyperfine, process start to written image of
#   vistrel-tool render  on the 3DO,
#   f3d --output         on the OBJ (under an X server of its own, Xvfb),
# and `assimp info` on the OBJ for loading alone; measures the peak resident
# memory of each with GNU time, and prints a table with the ratios. Then the
# 3DO parsing speed (bench_parse_speed), and the viewer's time to first frame
# and frames per second (bench_view_speed) for both tori and the samples.
# The "GL floor" row is bench_gl_floor: the same offscreen context, one lit
# textured triangle and the picture read back, what any program pays here;
# with the viewer built, bench/viewer_bench.py then runs the real viewer
# under Xvfb on the large torus.
#
# usage: bench/compare.sh [BUILD_FOLDER]   (default: build; a Release build
#        with the benchmarks, e.g. cmake -DCMAKE_BUILD_TYPE=Release)
# needs: hyperfine, f3d, assimp-utils, time, xvfb (see README, Performance)
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
tool="$build/bin/vistrel-tool"
maker="$build/bench/bench_make_torus"
parser="$build/bench/bench_parse_speed"
viewer="$build/bench/bench_view_speed"
floor="$build/bench/bench_gl_floor"

for program in hyperfine f3d assimp xvfb-run /usr/bin/time "$tool" "$maker"; do
  if ! command -v "$program" >/dev/null 2>&1; then
    echo "compare.sh: $program is missing (see README, Performance)" >&2
    exit 2
  fi
done

# f3d needs an X display even when it renders to a file: run the whole
# comparison under one Xvfb so that the server's start is not timed.
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$build"
fi

work=$(mktemp -d /tmp/vistrel-compare.XXXXXX)
trap 'rm -rf "$work"' EXIT
for size in small large; do
  mkdir -p "$work/$size"
  "$maker" "$work/$size" "$size"
done

# Peak resident set of one run, in MB (GNU time's %M is in KB).
peak_mb() {
  /usr/bin/time -f '%M' -o "$work/time.txt" "$@" >/dev/null 2>&1
  awk '{ printf "%.1f", $1 / 1024 }' "$work/time.txt"
}

# Mean and standard deviation in ms of one command, from hyperfine's CSV.
timed() {
  local runs=$1
  shift
  hyperfine --shell=none --style=none --warmup 2 --runs "$runs" --command-name run \
    --export-csv "$work/timing.csv" "$*" >/dev/null 2>&1
  awk -F, 'NR == 2 { printf "%.1f %.1f\n", $2 * 1000, $3 * 1000 }' "$work/timing.csv"
}

printf '%-6s %-22s %10s %8s %9s %11s %12s\n' model program "mean ms" "+- ms" "peak MB" \
  "f3d/this t" "this/f3d mem"
for size in small large; do
  dir="$work/$size"
  runs=20
  [ "$size" = large ] && runs=8
  cd "$dir"
  read -r v_mean v_sd < <(timed "$runs" "$tool" render "$dir/torus.3do" -o "$dir/out.tga")
  v_mem=$(peak_mb "$tool" render "$dir/torus.3do" -o "$dir/out.tga")
  read -r f_mean f_sd < <(timed "$runs" f3d "$dir/torus.obj" --output="$dir/out.png" \
    --resolution=640,480)
  f_mem=$(peak_mb f3d "$dir/torus.obj" --output="$dir/out.png" --resolution=640,480)
  read -r a_mean a_sd < <(timed "$runs" assimp info "$dir/torus.obj")
  a_mem=$(peak_mb assimp info "$dir/torus.obj")
  row() {
    awk -v m="$size" -v p="$1" -v t="$2" -v s="$3" -v r="$4" -v ft="$f_mean" -v fr="$f_mem" \
      'BEGIN { printf "%-6s %-22s %10.1f %8.1f %9.1f %10.2fx %11.2f\n", m, p, t, s, r, ft / t, r / fr }'
  }
  row "vistrel-tool render" "$v_mean" "$v_sd" "$v_mem"
  if [ -x "$floor" ]; then
    read -r g_mean g_sd < <(timed "$runs" "$floor")
    g_mem=$(peak_mb "$floor")
    row "GL floor (any program)" "$g_mean" "$g_sd" "$g_mem"
  fi
  row "f3d --output" "$f_mean" "$f_sd" "$f_mem"
  row "assimp info (load)" "$a_mean" "$a_sd" "$a_mem"
done

cd "$work"
printf '\n3DO sizes: small %s bytes, large %s bytes\n' "$(stat -c %s "$work/small/torus.3do")" \
  "$(stat -c %s "$work/large/torus.3do")"
if [ -x "$parser" ]; then
  echo
  "$parser" "$work/large/torus.3do"
fi
if [ -x "$viewer" ]; then
  echo
  "$viewer" "$work/small/torus.3do" "$work/large/torus.3do"
  "$viewer" | tail -n +2
fi
if [ -x "$build/bin/vistrel" ] && command -v cc >/dev/null 2>&1; then
  echo
  echo "the real viewer (bench/viewer_bench.py), large torus:"
  python3 "$root/bench/viewer_bench.py" "$build/bin/vistrel" "$work/large/torus.3do"
fi

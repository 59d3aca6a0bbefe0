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
# Then batches, one process for many models (render|thumbnail MODEL... -o
# FOLDER/, models from a --from list): 1,000 small models (the samples and
# the small torus copied under 1,000 names beside their MAT files) rendered
# and thumbnailed at 256 x 256 against f3d at 256 x 256, one process per file;
# the peak memory after 10 and after 1,000 models; 100 copies (hard links) of
# the large torus against its parse and draw time (bench_parse_draw); and
# the single-file render against the GL floor of the first table.
#
# usage: bench/compare.sh [BUILD_FOLDER]   (default: build; a Release build
#        with the benchmarks, e.g. cmake -DCMAKE_BUILD_TYPE=Release)
# needs: hyperfine, f3d, assimp-utils, time, xvfb (see docs/PERFORMANCE.md)
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
tool="$build/bin/vistrel-tool"
maker="$build/bench/bench_make_torus"
parser="$build/bench/bench_parse_speed"
parts="$build/bench/bench_parse_draw"
viewer="$build/bench/bench_view_speed"
floor="$build/bench/bench_gl_floor"

for program in hyperfine f3d assimp xvfb-run /usr/bin/time "$tool" "$maker"; do
  if ! command -v "$program" >/dev/null 2>&1; then
    echo "compare.sh: $program is missing (see docs/PERFORMANCE.md)" >&2
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

# Mean and standard deviation in ms of one command, from hyperfine's CSV
# (WARMUP runs first, 2 unless set); its fastest run goes to $work/min.txt.
timed() {
  local runs=$1
  shift
  hyperfine --shell=none --style=none --warmup "${WARMUP:-2}" --runs "$runs" --command-name run \
    --export-csv "$work/timing.csv" "$*" >/dev/null 2>&1
  awk -F, 'NR == 2 { printf "%.1f\n", $7 * 1000 }' "$work/timing.csv" >"$work/min.txt"
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
  v_min=$(cat "$work/min.txt")
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
    g_min=$(cat "$work/min.txt")
    [ "$size" = small ] && small_ratio=$(awk -v v="$v_mean" -v g="$g_mean" -v a="$v_min" \
      -v b="$g_min" 'BEGIN { printf "means %.2f, fastest runs %.2f", v / g, a / b }')
  fi
  row "f3d --output" "$f_mean" "$f_sd" "$f_mem"
  row "assimp info (load)" "$a_mean" "$a_sd" "$a_mem"
done

# Batches: one process for many models.
many="$work/many"
big="$work/big"
mkdir -p "$many/out" "$many/thumbs" "$big/out"
cp "$build/bin/samples/"*.mat "$work/small/torus.mat" "$many/"
sources=("$build/bin/samples/"*.3do "$work/small/torus.3do")
for i in $(seq 1 1000); do
  source=${sources[$(((i - 1) % ${#sources[@]}))]}
  copy="$many/$(printf 'm%04d' "$i")-$(basename "$source")"
  cp "$source" "$copy"
  echo "$copy"
done >"$work/many.txt"
head -n 10 "$work/many.txt" >"$work/ten.txt"
cp "$work/large/torus.mat" "$big/"
for i in $(seq 1 100); do
  ln "$work/large/torus.3do" "$big/$(printf 't%03d' "$i").3do"
  echo "$big/$(printf 't%03d' "$i").3do"
done >"$work/big.txt"

batch_row() {
  awk -v p="$1" -v n="$2" -v t="$3" -v s="$4" -v r="$5" -v g="$6" \
    'BEGIN { printf "%-34s %6d %9.2f %7.2f %9.1f %8.1f   %s\n", p, n, t / 1000, s / 1000, t / n, r, g }'
}
cd "$work"
echo
printf '%-34s %6s %9s %7s %9s %8s   %s\n' "batch (one process)" models "mean s" "+- s" \
  "ms/model" "peak MB" target
WARMUP=1
read -r r_mean r_sd < <(timed 3 "$tool" render --from "$work/many.txt" -o "$many/out/" \
  --size 256x256)
r_mem=$(peak_mb "$tool" render --from "$work/many.txt" -o "$many/out/" --size 256x256)
batch_row "render 256x256, small models" 1000 "$r_mean" "$r_sd" "$r_mem" "<= 5 ms a model"
read -r t_mean t_sd < <(timed 3 "$tool" thumbnail --from "$work/many.txt" -o "$many/thumbs/")
t_mem=$(peak_mb "$tool" thumbnail --from "$work/many.txt" -o "$many/thumbs/")
batch_row "thumbnail 256, small models" 1000 "$t_mean" "$t_sd" "$t_mem" "<= 10 s in all"
read -r ten_mean ten_sd < <(timed 5 "$tool" render --from "$work/ten.txt" -o "$many/out/" \
  --size 256x256)
ten_mem=$(peak_mb "$tool" render --from "$work/ten.txt" -o "$many/out/" --size 256x256)
batch_row "render 256x256, small models" 10 "$ten_mean" "$ten_sd" "$ten_mem" "(peak memory)"
read -r b_mean b_sd < <(timed 2 "$tool" render --from "$work/big.txt" -o "$big/out/" \
  --size 256x256)
b_mem=$(peak_mb "$tool" render --from "$work/big.txt" -o "$big/out/" --size 256x256)
parse_draw=""
if [ -x "$parts" ]; then
  parse_draw=$("$parts" "$work/large/torus.3do" 256x256)
  b_target=$(echo "$parse_draw" | awk '{ for (i = 1; i < NF; i++) { if ($i == "parse") p = $(i + 1);
    if ($i == "draw") d = $(i + 1) } } END { printf "<= parse %.1f + draw %.1f = %.1f ms", p, d, p + d }')
fi
batch_row "render 256x256, large torus copies" 100 "$b_mean" "$b_sd" "$b_mem" "${b_target:-}"
WARMUP=2
read -r f_mean f_sd < <(timed 10 f3d "$work/small/torus.obj" --output="$work/small/out256.png" \
  --resolution=256,256)
f_mem=$(peak_mb f3d "$work/small/torus.obj" --output="$work/small/out256.png" --resolution=256,256)
batch_row "f3d --output 256x256, small torus" 1 "$f_mean" "$f_sd" "$f_mem" "one process per file"
echo
awk -v r="$r_mean" -v f="$f_mean" 'BEGIN { printf "small models: %.2f ms a model in a batch, f3d %.0f ms a file: %.0fx\n", r / 1000, f, f / (r / 1000) }'
awk -v a="$r_mem" -v b="$ten_mem" 'BEGIN { printf "peak memory after 1,000 models / after 10: %.3f (target <= 1.10)\n", a / b }'
if [ -n "$parse_draw" ]; then
  echo "large torus alone (bench_parse_draw): $parse_draw"
fi
if [ -n "${small_ratio:-}" ]; then
  echo "single-file render / GL floor, small torus (first table): $small_ratio (target <= 1.2)"
  # The same two interleaved run by run, so that a machine busy with
  # something else weighs on both alike: the medians of 40 runs each.
  for i in $(seq 1 40); do
    start=$EPOCHREALTIME
    "$floor"
    middle=$EPOCHREALTIME
    "$tool" render "$work/small/torus.3do" -o "$work/small/out.tga"
    end=$EPOCHREALTIME
    echo "$start $middle $end"
  done | awk '{ f[NR] = ($2 - $1) * 1000; r[NR] = ($3 - $2) * 1000 }
    function median(a, n,   i, j, t) { for (i = 1; i <= n; i++) for (j = i + 1; j <= n; j++)
      if (a[j] < a[i]) { t = a[i]; a[i] = a[j]; a[j] = t } return (a[int((n + 1) / 2)] + a[int(n / 2) + 1]) / 2 }
    END { fm = median(f, NR); rm = median(r, NR)
      printf "  interleaved, median of %d each: GL floor %.1f ms, render %.1f ms: %.2f\n", NR, fm, rm, rm / fm }'
fi

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

#!/usr/bin/env bash
# The commands that draw nothing and start no GL, timed as a person's script
# runs them: one process per file, process start to exit.
#   stats on the robot sample:          goal at most 5 ms and 15 MB resident
#   stats on the 200,000-triangle torus: goal within 1.2x of the reader's own
#                                        parse time (bench_parse_speed's
#                                        fast reader, best of its loads)
#   export of that torus to .glb:        time and peak memory, the textures
#                                        written from the decoded MAT
# Times are hyperfine's (best and mean of its runs); memory is GNU time's
# peak resident set.
#
# usage: bench/commands_without_gl.sh [BUILD_FOLDER]   (default: build; a
#        Release build with the benchmarks)
# needs: hyperfine, time (see docs/PERFORMANCE.md)
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
tool="$build/bin/vistrel-tool"
maker="$build/bench/bench_make_torus"
parser="$build/bench/bench_parse_speed"
for program in hyperfine /usr/bin/time python3 "$tool" "$maker" "$parser"; do
  if ! command -v "$program" >/dev/null 2>&1; then
    echo "commands_without_gl.sh: $program is missing (see docs/PERFORMANCE.md)" >&2
    exit 2
  fi
done

work=$(mktemp -d /tmp/vistrel-without-gl.XXXXXX)
trap 'rm -rf "$work"' EXIT
cp -R "$root/samples" "$work/samples"
mkdir -p "$work/torus"
"$maker" "$work/torus" large > /dev/null

# best and mean of a hyperfine run, in ms
timed() {
  hyperfine -N --style none --warmup 3 --runs "$1" --export-json "$work/run.json" "$2" > /dev/null
  python3 -c 'import json,sys; r=json.load(open(sys.argv[1]))["results"][0]
print("%.1f %.1f" % (r["min"] * 1000, r["mean"] * 1000))' "$work/run.json"
}

# peak resident set of one run, in MB
peak_mb() {
  /usr/bin/time -f '%M' -o "$work/time.txt" "$@" > /dev/null 2>&1
  awk '{ printf "%.1f", $1 / 1024 }' "$work/time.txt"
}

robot="$tool stats $work/samples/robot.3do"
torus="$tool stats $work/torus/torus.3do"
export_torus="$tool export $work/torus/torus.3do -o $work/torus/out.glb"
read -r robot_best robot_mean <<< "$(timed 50 "$robot")"
robot_mb=$(peak_mb $robot)
read -r torus_best torus_mean <<< "$(timed 10 "$torus")"
torus_mb=$(peak_mb $torus)
parse=$("$parser" "$work/torus/torus.3do" 5 | awk '/fast reader/ { print $(NF-3) }')
read -r export_best export_mean <<< "$(timed 10 "$export_torus")"
export_mb=$(peak_mb $export_torus)

printf '%-34s %9s %9s %9s  %s\n' "command" "best ms" "mean ms" "peak MB" "goal"
printf '%-34s %9s %9s %9s  %s\n' "stats robot" "$robot_best" "$robot_mean" "$robot_mb" \
  "at most 5 ms and 15 MB"
printf '%-34s %9s %9s %9s  %s\n' "stats torus (200,000 triangles)" "$torus_best" "$torus_mean" \
  "$torus_mb" "at most 1.2 x parse"
printf '%-34s %9s %9s %9s\n' "  the reader's parse (best of 5)" "$parse" "" ""
printf '%-34s %9s %9s %9s\n' "export torus .glb" "$export_best" "$export_mean" "$export_mb"
awk -v b="$torus_best" -v p="$parse" 'BEGIN { printf "stats torus / parse (best): %.2f\n", b / p }'

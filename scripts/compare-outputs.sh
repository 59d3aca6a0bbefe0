#!/bin/sh
# Every output of vistrel-tool, byte for byte, from two versions of the code:
# builds vistrel-tool and bench_make_torus of BASE and of NEW, runs the same
# commands of both on the same input files (the samples and the two
# benchmark tori, plus a few hostile ones) from the same folder, and compares
# what each command printed (standard output, standard error, exit status)
# and every file it wrote (pictures, exports, ModelStats.txt beside the
# models). Prints one line per difference and a closing line
# "compare-outputs: N outputs compared, M differ"; exits 0 when none differ,
# 1 when some do, 2 when a build or the script's own arguments fail.
#
# usage: sh scripts/compare-outputs.sh [BASE] [NEW]
#   BASE  a commit (default HEAD)
#   NEW   a commit, or . for this working tree (default .); a path with a
#         slash that names a folder is taken as another source tree
# environment:
#   VISTREL_COMPARE_DIR      scratch folder (default ${TMPDIR:-/tmp}/vistrel-compare)
#   VISTREL_COMPARE_TIMEOUT  seconds allowed to each command (default 120)
#
# The scratch folder keeps one source copy and one build folder per commit
# (and one for the working tree), so a second run builds only what changed.
# Each version runs in the same folder, SCRATCH/run, one after the other, so
# that the paths in its messages are the same text; the results are then
# moved to SCRATCH/results/base and SCRATCH/results/new, one folder per
# command under cases/ (stdout, stderr, exit, files/ for what it wrote in
# the current folder, in/ for what it wrote beside the models), ready for
# diff -r. Standard error is a file, so the batch progress line (drawn only on
# a terminal) never shows. --text fps is kept: the status bar is drawn
# before the first second's frames are counted, so it always reads "0 fps".
set -eu

usage() {
  sed -n '2,/^set -eu/p' "$0" | sed -e '/^set -eu/d' -e 's/^# \{0,1\}//'
}

case ${1:-} in
  -h | --help)
    usage
    exit 0
    ;;
esac
if [ $# -gt 2 ]; then
  usage >&2
  exit 2
fi

root=$(cd "$(dirname "$0")/.." && pwd)
base_arg=${1:-HEAD}
new_arg=${2:-.}
scratch=${VISTREL_COMPARE_DIR:-${TMPDIR:-/tmp}/vistrel-compare}
limit=${VISTREL_COMPARE_TIMEOUT:-120}
mkdir -p "$scratch/src" "$scratch/build" "$scratch/logs" "$scratch/results"
scratch=$(cd "$scratch" && pwd)
run=$scratch/run
inputs=$scratch/inputs
started=$(date +%s)

say() {
  printf 'compare-outputs: %s\n' "$*" >&2
}

fail() {
  say "$*"
  exit 2
}

# Sets kind (commit or tree), ref (the commit or the folder) and key (the
# name of its source copy and build folder) for one argument.
resolve() {
  if [ "$1" = . ]; then
    kind=tree
    ref=$root
    key=worktree
    return
  fi
  case $1 in
    */*)
      if [ -d "$1" ]; then
        kind=tree
        ref=$(cd "$1" && pwd)
        key=tree-$(printf '%s' "$ref" | cksum | cut -d ' ' -f 1)
        return
      fi
      ;;
  esac
  if ! ref=$(git -C "$root" rev-parse --verify --quiet "$1^{commit}"); then
    fail "'$1' is neither a commit nor a source folder"
  fi
  kind=commit
  key=$(printf '%s' "$ref" | cut -c 1-12)
}

# A fresh copy of a folder's files as git sees them (tracked and untracked,
# not ignored: no build folders), with their times, so that the build folder
# rebuilds only what changed; any file deleted since the last copy is gone.
copy_tree() {
  copy_into=$scratch/src/$2.new
  rm -rf "$copy_into"
  mkdir -p "$copy_into"
  if git -C "$1" rev-parse --git-dir >/dev/null 2>&1; then
    (cd "$1" && git -c core.quotePath=false ls-files --cached --others --exclude-standard |
      while IFS= read -r file; do
        if [ -e "$file" ] || [ -L "$file" ]; then printf '%s\n' "$file"; fi
      done | tar -cf - --no-recursion --verbatim-files-from -T -) | tar -xf - -C "$copy_into"
  else
    (cd "$1" && tar -cf - --exclude='./build*' --exclude=./.git .) | tar -xf - -C "$copy_into"
  fi
  rm -rf "$scratch/src/$2"
  mv "$copy_into" "$scratch/src/$2"
}

# Sets src to the source copy of the current kind, ref and key.
prepare_source() {
  src=$scratch/src/$key
  if [ "$kind" = tree ]; then
    copy_tree "$ref" "$key"
  elif [ ! -f "$src.done" ]; then
    rm -rf "$src" "$src.tar"
    mkdir -p "$src"
    git -C "$root" archive --format=tar -o "$src.tar" "$ref"
    tar -xf "$src.tar" -C "$src"
    rm -f "$src.tar"
    : >"$src.done"
  fi
}

# Configures (again: quick when nothing changed) and builds the two targets.
build_side() {
  build=$scratch/build/$key
  log=$scratch/logs/build-$key.log
  say "building $1 ($2) in $build"
  if ! cmake -S "$src" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVISTREL_BUILD_TESTS=OFF \
    -DVISTREL_BUILD_VIEWER=OFF >"$log" 2>&1 ||
    ! cmake --build "$build" --target vistrel-tool bench_make_torus -j 2 >>"$log" 2>&1; then
    tail -n 30 "$log" >&2
    fail "the build of $1 ($2) failed; see $log"
  fi
}

resolve "$base_arg"
base_ref=$ref base_key=$key
prepare_source
base_src=$src
build_side base "$base_arg"
base_build=$build
resolve "$new_arg"
new_ref=$ref new_key=$key
if [ "$new_key" = "$base_key" ]; then
  new_build=$base_build
else
  prepare_source
  build_side new "$new_arg"
  new_build=$build
fi
built=$(date +%s)

# The input files, made once with BASE: the samples, the two tori, two TGA
# pictures (32 bits from render, 24 bits from decode), hostile files and the
# model lists. Both versions get a fresh copy of this folder as SCRATCH/run/in.
say "preparing the inputs"
rm -rf "$inputs"
mkdir -p "$inputs/small" "$inputs/large" "$inputs/folder.3do" "$inputs/folder.mat"
cp "$base_src"/samples/*.3do "$base_src"/samples/*.mat "$inputs/"
for size in small large; do
  "$base_build/bench/bench_make_torus" "$inputs/$size" "$size" >/dev/null
  rm -f "$inputs/$size/torus.obj" "$inputs/$size/torus.mtl" "$inputs/$size/torus.png"
done
"$base_build/bin/vistrel-tool" render "$inputs/cube.3do" -o "$inputs/picture.tga" --no-report \
  >/dev/null 2>&1
"$base_build/bin/vistrel-tool" decode "$inputs/cube.mat" -o "$inputs/cube-mat.tga" >/dev/null 2>&1
find "$inputs" -name ModelStats.txt -exec rm -f {} +
: >"$inputs/empty.3do"
: >"$inputs/empty.mat"
: >"$inputs/empty.tga"
dd if="$inputs/robot.3do" of="$inputs/truncated.3do" bs=20000 count=1 2>/dev/null
labels=""
for model in "$base_src"/samples/*.3do; do
  labels="$labels $(basename "$model" .3do)"
done
labels="$labels torus-small torus-large"

model_path() {
  case $1 in
    torus-small) printf '%s\n' "$run/in/small/torus.3do" ;;
    torus-large) printf '%s\n' "$run/in/large/torus.3do" ;;
    *) printf '%s\n' "$run/in/$1.3do" ;;
  esac
}

for label in $labels; do
  model_path "$label"
done >"$inputs/models.txt"
for label in $labels; do
  model_path "$label" | sed "s|^$run/|../|"
done >"$inputs/models-relative.txt"

# run_case NAME PROGRAM ARGUMENTS...: runs in SCRATCH/run/out (standard input
# from $case_input, /dev/null unless set) and keeps its output under
# cases/NAME: stdout, stderr, exit, files/ (the current folder afterwards)
# and in/ (files it wrote or changed beside the models, put back as they were).
run_case() {
  case_dir=$run/cases/$1
  shift
  mkdir -p "$case_dir"
  touch "$run/started"
  case_status=0
  (cd "$run/out" && exec timeout "$limit" "$@") <"${case_input:-/dev/null}" \
    >"$case_dir/stdout" 2>"$case_dir/stderr" || case_status=$?
  printf '%s\n' "$case_status" >"$case_dir/exit"
  mv "$run/out" "$case_dir/files"
  mkdir "$run/out"
  # Files beside the models that are new, changed or gone.
  (cd "$run/in" && find . ! -type d -print | sort) >"$run/now.list"
  (cd "$inputs" && find . ! -type d -print | sort) >"$run/inputs.list"
  {
    comm -3 "$run/now.list" "$run/inputs.list" | tr -d '\t'
    (cd "$run/in" && find . ! -type d -newer "$run/started" -print)
  } | sort -u | while IFS= read -r file; do
    file=${file#./}
    if [ -e "$run/in/$file" ] || [ -L "$run/in/$file" ]; then
      mkdir -p "$case_dir/in/$(dirname "$file")"
      mv "$run/in/$file" "$case_dir/in/$file"
    else
      printf '%s\n' "$file" >>"$case_dir/deleted"
    fi
    if [ -e "$inputs/$file" ]; then
      cp -p "$inputs/$file" "$run/in/$file"
    fi
  done
}

# run_in_folder NAME FOLDER PROGRAM ARGUMENTS...: run_case with FOLDER made
# first in the current folder (the output folder of a batch).
run_in_folder() {
  mkdir -p "$run/out/$2"
  folder_case=$1
  shift 2
  run_case "$folder_case" "$@"
}

all_models() {
  for label in $labels; do
    model_path "$label"
  done
}

run_all_cases() {
  tool=$run/tool/vistrel-tool
  in=$run/in

  # The program's own usage, and each command's.
  run_case tool-no-arguments "$tool"
  run_case tool-help "$tool" --help
  run_case tool-h "$tool" -h
  run_case tool-version "$tool" --version
  run_case tool-unknown-command "$tool" frobnicate
  run_case tool-unknown-option "$tool" --frobnicate
  for command in stats decode render thumbnail export; do
    run_case "$command-no-arguments" "$tool" "$command"
    run_case "$command-help" "$tool" "$command" --help
    run_case "$command-h" "$tool" "$command" -h
    run_case "$command-unknown-option" "$tool" "$command" "$in/cube.3do" --frobnicate
    run_case "$command-empty-argument" "$tool" "$command" ""
  done
  run_case stats-two-models "$tool" stats "$in/cube.3do" "$in/robot.3do"
  run_case decode-no-output "$tool" decode "$in/cube.mat"
  run_case decode-two-images "$tool" decode "$in/cube.mat" "$in/ngon.mat" -o two.tga
  run_case render-no-output "$tool" render "$in/cube.3do"
  run_case render-output-without-name "$tool" render "$in/cube.3do" -o
  run_case render-bad-size "$tool" render "$in/cube.3do" -o bad.tga --size 0x480
  run_case render-huge-size "$tool" render "$in/cube.3do" -o bad.tga --size 9000x10
  run_case render-bad-mode "$tool" render "$in/cube.3do" -o bad.tga --mode bogus
  run_case render-bad-text "$tool" render "$in/cube.3do" -o bad.tga --text bogus
  run_case render-bad-camera "$tool" render "$in/cube.3do" -o bad.tga --camera 1,2
  run_case render-bad-rotate "$tool" render "$in/cube.3do" -o bad.tga --rotate 1,2,nan
  run_case render-bad-background "$tool" render "$in/cube.3do" -o bad.tga --background 1,2,x
  run_case render-two-models-one-file "$tool" render "$in/cube.3do" "$in/robot.3do" -o two.tga
  run_case render-from-one-file "$tool" render --from "$in/models.txt" -o one.tga
  run_case render-no-such-folder "$tool" render "$in/cube.3do" "$in/robot.3do" -o nowhere/
  run_case render-from-missing-list "$tool" render --from "$in/no-list.txt" -o ./
  run_case thumbnail-no-output "$tool" thumbnail "$in/cube.3do"
  run_case thumbnail-bad-size "$tool" thumbnail "$in/cube.3do" bad.png --size 2000
  run_case thumbnail-three-arguments "$tool" thumbnail "$in/cube.3do" a.png b.png
  run_case thumbnail-no-such-folder "$tool" thumbnail "$in/cube.3do" "$in/robot.3do" -o nowhere/
  run_case export-no-output "$tool" export "$in/cube.3do"
  run_case export-bad-extension "$tool" export "$in/cube.3do" -o bad.txt
  run_case export-two-models "$tool" export "$in/cube.3do" "$in/robot.3do" -o two.glb
  run_case export-no-such-folder "$tool" export "$in/cube.3do" -o nowhere/cube.glb

  # Every model: stats, render with option sets, thumbnail, export.
  for label in $labels; do
    model=$(model_path "$label")
    run_case "stats-$label" "$tool" stats "$model"
    run_case "render-$label" "$tool" render "$model" -o "$label.tga"
    run_case "render-$label-flat" "$tool" render "$model" -o "$label.tga" --mode flat
    run_case "render-$label-wire" "$tool" render "$model" -o "$label.tga" --mode wire --no-texture
    run_case "render-$label-help" "$tool" render "$model" -o "$label.tga" --text help --size 320x240
    run_case "render-$label-fps" "$tool" render "$model" -o "$label.tga" --text fps
    run_case "render-$label-turned" "$tool" render "$model" -o "$label.tga" --rotate 10,20,30 \
      --camera 0,0,5
    run_case "render-$label-envmap" "$tool" render "$model" -o "$label.tga" --envmap
    run_case "render-$label-unlit" "$tool" render "$model" -o "$label.tga" --no-lighting
    run_case "render-$label-background" "$tool" render "$model" -o "$label.tga" \
      --background 0.2,0.3,0.4
    run_case "render-$label-no-report" "$tool" render "$model" -o "$label.tga" --no-report
    run_case "thumbnail-$label" "$tool" thumbnail "$model" "$label.png"
    run_case "thumbnail-$label-128" "$tool" thumbnail "$model" "$label.png" --size 128
    for format in glb gltf obj; do
      run_case "export-$label-$format" "$tool" export "$model" -o "$label.$format"
    done
  done

  # Batches: every model on the command line, from lists, from standard
  # input, a missing model in the middle, one model into a folder.
  # shellcheck disable=SC2046 # one model path a line, none with spaces
  run_in_folder render-batch pictures "$tool" render $(all_models) -o pictures/
  run_in_folder render-batch-from pictures "$tool" render --from "$in/models.txt" -o pictures/
  run_in_folder render-batch-relative pictures "$tool" render --from "$in/models-relative.txt" \
    -o pictures
  case_input=$inputs/models.txt
  run_in_folder render-batch-stdin pictures "$tool" render --from - -o pictures/ --no-report
  case_input=
  run_in_folder render-batch-missing pictures "$tool" render "$in/cube.3do" "$in/missing.3do" \
    "$in/robot.3do" -o pictures/
  run_in_folder render-batch-options pictures "$tool" render "$in/robot.3do" "$in/ngon.3do" \
    --mode flat --text help --size 320x240 --rotate 10,20,30 --envmap -o pictures/
  run_in_folder render-batch-one pictures "$tool" render "$in/robot.3do" -o pictures/
  # shellcheck disable=SC2046
  run_in_folder thumbnail-batch thumbnails "$tool" thumbnail $(all_models) -o thumbnails/
  run_in_folder thumbnail-batch-from thumbnails "$tool" thumbnail --from "$in/models.txt" \
    -o thumbnails/ --size 128
  run_in_folder thumbnail-batch-missing thumbnails "$tool" thumbnail "$in/cube.3do" \
    "$in/missing.3do" "$in/empty.3do" "$in/robot.3do" -o thumbnails/

  # decode: every MAT, two TGA pictures, and what is not an image.
  for image in "$in"/*.mat "$in/small/torus.mat" "$in/large/torus.mat"; do
    name=$(basename "$image" .mat)
    case $image in
      */small/*) name=torus-small ;;
      */large/*) name=torus-large ;;
    esac
    if [ -f "$image" ]; then
      run_case "decode-mat-$name" "$tool" decode "$image" -o "$name.tga"
    fi
  done
  run_case decode-tga-32 "$tool" decode "$in/picture.tga" -o picture.tga
  run_case decode-tga-24 "$tool" decode "$in/cube-mat.tga" -o cube-mat.tga
  run_case decode-upper-case "$tool" decode "$in/cube.mat" -o CUBE.TGA
  run_case decode-missing "$tool" decode "$in/missing.mat" -o missing.tga
  run_case decode-empty-mat "$tool" decode "$in/empty.mat" -o empty.tga
  run_case decode-empty-tga "$tool" decode "$in/empty.tga" -o empty.tga
  run_case decode-folder "$tool" decode "$in/folder.mat" -o folder.tga
  run_case decode-model "$tool" decode "$in/cube.3do" -o model.tga
  run_case decode-no-such-folder "$tool" decode "$in/cube.mat" -o nowhere/cube.tga

  # Hostile models: missing, empty, a folder, cut off in the middle.
  for hostile in missing empty folder truncated; do
    model=$in/$hostile.3do
    run_case "stats-$hostile" "$tool" stats "$model"
    run_case "render-$hostile" "$tool" render "$model" -o "$hostile.tga"
    run_case "thumbnail-$hostile" "$tool" thumbnail "$model" "$hostile.png"
    run_case "export-$hostile" "$tool" export "$model" -o "$hostile.glb"
  done

  # The benchmark tori as this version makes them.
  for size in small large; do
    run_in_folder "make-torus-$size" torus "$run/bench/bench_make_torus" torus "$size"
  done
}

# run_side NAME BUILD: one version's run in SCRATCH/run, kept as
# SCRATCH/results/NAME.
run_side() {
  say "running $1"
  rm -rf "$run" "$scratch/results/$1"
  mkdir -p "$run/bench" "$run/out" "$run/cases"
  cp -R "$2/bin" "$run/tool"
  cp "$2/bench/bench_make_torus" "$run/bench/"
  cp -Rp "$inputs" "$run/in"
  run_all_cases
  mkdir -p "$scratch/results/$1"
  mv "$run/cases" "$scratch/results/$1/"
  rm -rf "$run"
}

run_side base "$base_build"
run_side new "$new_build"

# One line per difference: every file of either side (cases/NAME/stdout,
# stderr, exit, files/..., in/...) against the other side's.
cd "$scratch/results"
(cd base && find . ! -type d) >"$scratch/base.list"
(cd new && find . ! -type d) >"$scratch/new.list"
sort -u "$scratch/base.list" "$scratch/new.list" >"$scratch/all.list"
while IFS= read -r file; do
  file=${file#./}
  if [ ! -e "base/$file" ]; then
    printf 'compare-outputs: only in new: %s\n' "$file"
  elif [ ! -e "new/$file" ]; then
    printf 'compare-outputs: only in base: %s\n' "$file"
  elif cmp -s "base/$file" "new/$file"; then
    continue
  else
    printf 'compare-outputs: differs: %s\n' "$file"
  fi
done <"$scratch/all.list" >"$scratch/differences.txt"
cat "$scratch/differences.txt"
compared=$(wc -l <"$scratch/all.list")
differ=$(wc -l <"$scratch/differences.txt")
finished=$(date +%s)
say "base $base_arg ($base_ref), new $new_arg ($new_ref)"
say "builds $((built - started)) s, runs and comparison $((finished - built)) s;" \
  "outputs in $scratch/results/base and $scratch/results/new"
printf 'compare-outputs: %s outputs compared, %s differ\n' "$((compared + 0))" "$((differ + 0))"
[ "$differ" -eq 0 ]

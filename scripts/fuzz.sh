#!/bin/sh
# Builds the libFuzzer targets with clang under AddressSanitizer and
# UndefinedBehaviorSanitizer and fuzzes each reader, and what is made from
# what they read (framing, the export, the batches' lists), for a bounded time.
# Fails on any finding: a crash, a sanitizer report, a leak, an input that
# runs longer than a second, or memory out of proportion to the input.
#
#   sh scripts/fuzz.sh                 every target, 45 seconds each
#   sh scripts/fuzz.sh fuzz_tga        one target
#   VISTREL_FUZZ_SECONDS=600 sh scripts/fuzz.sh   longer runs
#
# The growing corpus stays in build-fuzz/fuzz-corpus/<target> between runs;
# the seeds in fuzz/corpus/<target> and the inputs of past findings in
# tests/fuzz/inputs/<target> are only read. Findings are written to
# build-fuzz/fuzz-findings/ and reproduce with
#   build-fuzz/fuzz/<target> <finding file>
set -eu
cd "$(dirname "$0")/.."
ROOT=$(pwd)
BUILD="$ROOT/${VISTREL_FUZZ_BUILD:-build-fuzz}"
SECONDS_EACH=${VISTREL_FUZZ_SECONDS:-45}
TARGETS=${*:-"fuzz_config fuzz_tga fuzz_mat fuzz_scan fuzz_model fuzz_draw fuzz_framing fuzz_export fuzz_batch_list"}

cmake -S . -B "$BUILD" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVISTREL_FUZZ=ON -DVISTREL_BUILD_VIEWER=OFF \
  -DVISTREL_BUILD_TESTS=OFF -DVISTREL_WERROR=OFF >/dev/null
cmake --build "$BUILD" -j2 --target vistrel_fuzz_targets

# A small quarantine keeps the resident size a measure of what the readers
# hold; any single allocation above the malloc limit is a finding, so a file
# that claims a huge image or count must fail before allocating for it.
export ASAN_OPTIONS="quarantine_size_mb=16:detect_leaks=1:abort_on_error=0:${ASAN_OPTIONS:-}"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1:${UBSAN_OPTIONS:-}"
export LP_NUM_THREADS=${LP_NUM_THREADS:-1}
SCRATCH=$(mktemp -d "${TMPDIR:-/tmp}/vistrel-fuzz-run-XXXXXX")
trap 'rm -rf "$SCRATCH"' EXIT
export TMPDIR="$SCRATCH"

# The largest input each target takes: enough for several config lines, a few
# dozen pixels of TGA and MAT images, a few dozen lines of model text read
# in blocks of up to 64 bytes, models of a few meshes, the largest sample with
# three of its MAT files for the export, and a list of a few hundred paths.
max_len() {
  case "$1" in
    fuzz_config) echo 1024 ;;
    fuzz_tga | fuzz_mat | fuzz_batch_list) echo 4096 ;;
    fuzz_scan) echo 2048 ;;
    fuzz_model | fuzz_framing) echo 16384 ;;
    fuzz_draw) echo 8192 ;;
    fuzz_export) echo 65536 ;;
  esac
}
# The seeds, and the inputs of past findings, which every run replays first.
seed_dirs() {
  echo "$ROOT/fuzz/corpus/${1#fuzz_}"
  [ -d "$ROOT/tests/fuzz/inputs/${1#fuzz_}" ] && echo "$ROOT/tests/fuzz/inputs/${1#fuzz_}"
  return 0
}

# One bounded run; prints the libFuzzer log into $2.
run_target() {
  target=$1 log=$2 seconds=$3
  corpus="$BUILD/fuzz-corpus/$target"
  mkdir -p "$corpus" "$BUILD/fuzz-findings"
  dict=""
  case "$target" in
    fuzz_model | fuzz_draw | fuzz_framing | fuzz_export) dict="-dict=$ROOT/fuzz/model.dict" ;;
  esac
  # shellcheck disable=SC2086
  "$BUILD/fuzz/$target" -max_total_time="$seconds" -timeout=1 -rss_limit_mb=512 \
    -malloc_limit_mb=32 -max_len="$(max_len "$target")" $dict -print_final_stats=1 \
    -artifact_prefix="$BUILD/fuzz-findings/$target-" "$corpus" $(seed_dirs "$target") \
    >"$log" 2>&1
}

failed=""
summary=""
for target in $TARGETS; do
  echo "== $target: ${SECONDS_EACH}s =="
  log="$BUILD/fuzz-findings/$target.log"
  mkdir -p "$BUILD/fuzz-findings"
  rm -f "$BUILD/fuzz-findings/$target-"*
  start=$(date +%s)
  attempts=0
  status=0
  seconds=$SECONDS_EACH
  while :; do
    status=0
    run_target "$target" "$log" "$seconds" || status=$?
    [ "$status" -eq 0 ] && break
    # A timeout on this shared machine can be a stall of the machine rather
    # than of the reader: it counts only if the input times out again.
    finding=$(ls "$BUILD/fuzz-findings/$target-"* 2>/dev/null | head -n 1 || true)
    case "$finding" in
      */"$target"-timeout-*)
        if "$BUILD/fuzz/$target" -timeout=1 "$finding" >/dev/null 2>&1 &&
          "$BUILD/fuzz/$target" -timeout=1 "$finding" >/dev/null 2>&1; then
          attempts=$((attempts + 1))
          echo "   (a timeout that did not reproduce; fuzzing on)"
          rm -f "$finding"
          seconds=$((SECONDS_EACH - ($(date +%s) - start)))
          [ "$attempts" -lt 3 ] && [ "$seconds" -gt 5 ] && continue
          status=0
        fi
        ;;
    esac
    break
  done
  stats=$(grep -E '^(#[0-9]+\s+DONE|stat::number_of_executed_units|stat::peak_rss_mb)' "$log" |
    tr -s ' ' | tr '\n' ' ')
  echo "   $stats"
  summary="$summary
$target: $stats"
  if [ "$status" -ne 0 ]; then
    echo "   FINDING in $target (exit $status); log: $log"
    grep -E 'ERROR|SUMMARY|fuzz check failed|Test unit written' "$log" | head -n 8 | sed 's/^/   /'
    failed="$failed $target"
  fi
done

# The limit checks: files far larger than the fuzzing's inputs (a long
# hierarchy, many materials naming one MAT file, large images), made afresh
# by fuzz/make_seeds.py, each run whole under the same second and memory
# limits.
LIMITS="$BUILD/fuzz-limits"
rm -rf "$LIMITS"
python3 "$ROOT/fuzz/make_seeds.py" --limits "$LIMITS"
for target in $TARGETS; do
  folder="$LIMITS/${target#fuzz_}"
  [ -d "$folder" ] || continue
  for input in "$folder"/*; do
    log="$BUILD/fuzz-findings/limit-$(basename "$input").log"
    status=0
    "$BUILD/fuzz/$target" -timeout=1 -rss_limit_mb=512 -malloc_limit_mb=32 \
      -artifact_prefix="$BUILD/fuzz-findings/$target-" "$input" >"$log" 2>&1 || status=$?
    if [ "$status" -ne 0 ]; then
      # As above, a timeout must show twice before it counts.
      "$BUILD/fuzz/$target" -timeout=1 -rss_limit_mb=512 -malloc_limit_mb=32 "$input" \
        >"$log.again" 2>&1 && status=0
    fi
    if [ "$status" -ne 0 ]; then
      echo "== limit: $target $(basename "$input"): FAILED (log: $log)"
      grep -E 'ERROR|SUMMARY|fuzz check failed' "$log" | head -n 4 | sed 's/^/   /'
      failed="$failed $target:$(basename "$input")"
    else
      echo "== limit: $target $(basename "$input"): within a second and the memory limits"
    fi
  done
done

echo "== fuzz summary ==$summary"
if [ -n "$failed" ]; then
  echo "fuzzing found problems in:$failed"
  exit 1
fi
echo "no findings"

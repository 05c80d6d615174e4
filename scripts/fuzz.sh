#!/usr/bin/env bash
# Builds and runs the libFuzzer targets of fuzz/ (clang, ASan + UBSan).
#
#   scripts/fuzz.sh ci      each target over its committed corpus, then FUZZ_CI_SECONDS (10) of
#                           fuzzing; new inputs go to a scratch folder that is wiped first
#   scripts/fuzz.sh long    each target for FUZZ_SECONDS (600); new inputs accumulate in
#                           $FUZZ_BUILD_DIR/corpus-new/TARGET, the committed corpus is only read
#   scripts/fuzz.sh corpus  regenerates the generated seeds in fuzz/corpus (regression inputs stay)
#
# FUZZ_TARGETS (space-separated) picks targets; all of them by default.
#
# A crash, sanitizer report or broken invariant stops that target (the others still run), leaves
# the input in $FUZZ_BUILD_DIR/findings/ and makes the script exit non-zero at the end.
# Logs: $FUZZ_BUILD_DIR/logs/TARGET.log.
set -euo pipefail
cd "$(dirname "$0")/.."

mode=${1:-ci}
build_dir=${FUZZ_BUILD_DIR:-build-fuzz}
read -r -a targets <<<"${FUZZ_TARGETS:-parse_reply reply_stream lane_decoder picture gbk lanectl plate_request onvif_soap onvif_plate probe_match lanesim_onvif_request}"
generator=$(command -v ninja >/dev/null 2>&1 && echo Ninja || echo "Unix Makefiles")

build() {
  if [ ! -f "$build_dir/CMakeCache.txt" ]; then
    cmake -S . -B "$build_dir" -G "$generator" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DCMAKE_CXX_COMPILER=clang++ -DLANE_FUZZ=ON
  fi
  cmake --build "$build_dir" -j "${JOBS:-2}" --target "$@"
}

# run TARGET FLAGS...: one libFuzzer run; prints executions and coverage from its last lines.
run() {
  local target=$1
  shift
  local log="$build_dir/logs/$target.log"
  local dict=()
  [ -f "fuzz/$target.dict" ] && dict=(-dict="fuzz/$target.dict")
  mkdir -p "$build_dir/logs" "$build_dir/findings"
  if ! UBSAN_OPTIONS=print_stacktrace=1 \
    "$build_dir/fuzz/${target}_fuzzer" -timeout=10 -print_final_stats=1 \
    -artifact_prefix="$build_dir/findings/$target-" "${dict[@]}" "$@" >"$log" 2>&1; then
    tail -n 60 "$log"
    echo "fuzz: $target FAILED (log $log, input in $build_dir/findings/)" >&2
    return 1
  fi
  local executions coverage
  executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  coverage=$(grep -Eo 'cov: [0-9]+ ft: [0-9]+' "$log" | tail -n 1)
  echo "fuzz: $target ok, $executions executions, $coverage"
}

failed=()
case "$mode" in
  ci)
    build "${targets[@]/%/_fuzzer}"
    for target in "${targets[@]}"; do
      scratch="$build_dir/ci-scratch/$target"
      rm -rf "$scratch" && mkdir -p "$scratch"
      run "$target" -runs=0 "fuzz/corpus/$target" &&
        run "$target" -max_total_time="${FUZZ_CI_SECONDS:-10}" "$scratch" "fuzz/corpus/$target" ||
        failed+=("$target")
    done
    ;;
  long)
    build "${targets[@]/%/_fuzzer}"
    for target in "${targets[@]}"; do
      mkdir -p "$build_dir/corpus-new/$target"
      run "$target" -max_total_time="${FUZZ_SECONDS:-600}" "$build_dir/corpus-new/$target" \
        "fuzz/corpus/$target" || failed+=("$target")
    done
    ;;
  corpus)
    build make_corpus make_picture_seeds
    "$build_dir/fuzz/make_corpus" fuzz/corpus
    QT_QPA_PLATFORM=offscreen "$build_dir/fuzz/make_picture_seeds" fuzz/corpus/picture
    ;;
  *)
    echo "usage: scripts/fuzz.sh ci|long|corpus" >&2
    exit 2
    ;;
esac

if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzz: failed: ${failed[*]}" >&2
  exit 1
fi

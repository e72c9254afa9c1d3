#!/usr/bin/env bash
# Builds the libFuzzer targets (fuzz/) with clang into build-fuzz/ and runs each
# for SECONDS (default 60) from its committed corpus. Fails when a target
# crashes, hangs, leaks or trips a sanitizer; the input that did it is left in
# build-fuzz/findings/<target>/.
#   tools/fuzz.sh [SECONDS] [TARGET...]
# MRV_FUZZ_JOBS=N runs N targets at a time (default: the number of cores).
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
shift || true

if ! command -v clang++ >/dev/null; then
  echo "fuzz.sh: clang++ is missing (Debian packages clang and libclang-rt-14-dev; tools/install-deps.sh)" >&2
  exit 1
fi
resource_dir="$(clang++ -print-resource-dir)"
if ! ls "$resource_dir"/lib/linux/libclang_rt.fuzzer-x86_64.a >/dev/null 2>&1; then
  echo "fuzz.sh: libFuzzer is missing from $resource_dir (Debian package libclang-rt-14-dev)" >&2
  exit 1
fi

mapfile -t all_targets < fuzz/target_names.txt
targets=("$@")
if [ "${#targets[@]}" -eq 0 ]; then targets=("${all_targets[@]}"); fi

build=build-fuzz
cmake -S . -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMRV_FUZZ=ON \
      -DMRV_BUILD_QT=OFF -DMRV_BUILD_TESTS=OFF -DMRV_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target "${targets[@]/#/fuzz_}"

# Each run starts from a scratch copy of the committed corpus, so that new
# inputs never pile up in the tree.
run_one() {
  local name="$1" seconds="$2" build="$3"
  local work="$build/fuzz-work/$name" findings="$build/findings/$name"
  rm -rf "$work" && mkdir -p "$work/corpus" "$findings"
  cp fuzz/corpus/"$name"/* "$work/corpus/" 2>/dev/null || true
  if [ -d fuzz/regressions/"$name" ]; then cp fuzz/regressions/"$name"/* "$work/corpus/" 2>/dev/null || true; fi
  local log="$work/fuzz.log"
  # The program-level targets keep one program across inputs, so every input
  # leaves memory behind on purpose; a leak check after each would only cost
  # time (leaks still show at the end of the run).
  local per_input_leaks=1
  case "$name" in settings | identify | smart_file | partition) per_input_leaks=0 ;; esac
  # The words of a text format (section and key names, script verbs) help the
  # fuzzer past the first check of a line.
  local dict=()
  if [ -f fuzz/dict/"$name".dict ]; then dict=(-dict=fuzz/dict/"$name".dict); fi
  if UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1" ASAN_OPTIONS="detect_leaks=1:quarantine_size_mb=16" \
     "$build/fuzz/fuzz_$name" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=16384 \
       -detect_leaks="$per_input_leaks" "${dict[@]}" \
       -artifact_prefix="$findings/" -print_final_stats=1 "$work/corpus" >"$log" 2>&1; then
    echo "fuzz $name: ok ($(grep -m1 -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$') runs)"
  else
    echo "fuzz $name: FAILED (log $log, input in $findings/)"
    tail -n 60 "$log"
    return 1
  fi
}
export -f run_one

jobs="${MRV_FUZZ_JOBS:-$(nproc)}"
status=0
printf '%s\n' "${targets[@]}" | xargs -P "$jobs" -I{} bash -c 'run_one "$@"' _ {} "$seconds" "$build" || status=1
exit "$status"

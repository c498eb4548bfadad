#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in build-fuzz/ (or BUILD_DIR) and runs each one on a
# working copy of its seed corpus, under AddressSanitizer and UndefinedBehaviorSanitizer.
#
#   scripts/fuzz.sh          every target for a bounded time: FUZZ_SECONDS each, or by default
#                            an equal share of FUZZ_TOTAL_SECONDS (300) for all of them, as many
#                            targets at once as there are processors (FUZZ_JOBS); a crash stops
#                            the script after the targets running with it and leaves the input
#                            that caused it in <build>/fuzz-artifacts/.
#   scripts/fuzz.sh --long   every target, one after another, to 10^6 executions (FUZZ_RUNS);
#                            crashes do not stop the run. Ends with a table of executions,
#                            coverage, crashes and seconds per target (also in
#                            <build>/fuzz-long.txt) and fails when any target crashed.
set -euo pipefail
cd "$(dirname "$0")/.."
long=0
if [ "${1:-}" = "--long" ]; then long=1; elif [ -n "${1:-}" ]; then echo "usage: $0 [--long]" >&2; exit 2; fi
scripts/install-deps.sh
total="${FUZZ_TOTAL_SECONDS:-300}"
runs="${FUZZ_RUNS:-1000000}"
build_dir="${BUILD_DIR:-build-fuzz}"
CC=clang CXX=clang++ cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVELMORA_FUZZ=ON -DVELMORA_BUILD_GUI=OFF -DVELMORA_BUILD_BENCH=OFF >/dev/null
cmake --build "$build_dir" -j "$(nproc)" --target velmora_fuzzers
mkdir -p "$build_dir/fuzz-artifacts"
targets=("$build_dir"/fuzz/fuzz_*)
seconds="${FUZZ_SECONDS:-$(( total / ${#targets[@]} > 10 ? total / ${#targets[@]} : 10 ))}"
report="$build_dir/fuzz-long.txt"
if [ "$long" = 1 ]; then printf '%-26s %12s %8s %8s %8s %8s\n' target executions cov ft crashes seconds >"$report"; fi
failed=0
# The working corpus of a target: its seeds copied once, the inputs it finds kept between runs.
corpus() {
  local seeds="tests/fuzz/corpus/${1#fuzz_}" work="$build_dir/fuzz-corpus/${1#fuzz_}"
  mkdir -p "$work"
  if [ -d "$seeds" ]; then cp -n "$seeds"/* "$work"/ 2>/dev/null || true; fi
  echo "$work"
}
# One run of a target on its corpus, with the options given after it; its output to a log file.
fuzz_one() {
  local fuzzer="$1" log="$2"
  shift 2
  local name work
  name="$(basename "$fuzzer")"
  work="$(corpus "$name")"
  "$fuzzer" "$@" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$build_dir/fuzz-artifacts/$name-" "$work" >"$log" 2>&1
}
if [ "$long" = 0 ]; then
  # Each target runs on one processor: a group of targets runs at once, and each one's summary is
  # printed when the group has finished.
  jobs="${FUZZ_JOBS:-$(nproc)}"
  if ! [[ "$jobs" =~ ^[1-9][0-9]*$ ]]; then echo "FUZZ_JOBS must be a whole number above 0, not '$jobs'" >&2; exit 2; fi
  for ((first = 0; first < ${#targets[@]}; first += jobs)); do
    group=("${targets[@]:first:jobs}")
    pids=()
    for fuzzer in "${group[@]}"; do
      fuzz_one "$fuzzer" "$build_dir/fuzz-$(basename "$fuzzer").log" -max_total_time="$seconds" &
      pids+=($!)
    done
    for k in "${!group[@]}"; do
      name="$(basename "${group[k]}")"
      status=0
      wait "${pids[k]}" || status=$?
      echo "== $name: ${seconds} s"
      grep -E '^(stat::|==|SUMMARY|Done|INFO: Seed)|ERROR|deadly|leak' "$build_dir/fuzz-$name.log" || true
      if [ "$status" -ne 0 ]; then failed=1; fi
    done
    if [ "$failed" = 1 ]; then exit 1; fi
  done
  exit 0
fi
for fuzzer in "${targets[@]}"; do
  name="$(basename "$fuzzer")"
  echo "== $name: $runs executions"
  log="$build_dir/fuzz-long-$name.log"
  status=0
  started="$(date +%s)"
  fuzz_one "$fuzzer" "$log" -runs="$runs" || status=$?
  executions="$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)"
  cov="$(grep -oE ' cov: [0-9]+' "$log" | tail -1 | grep -oE '[0-9]+' || true)"
  ft="$(grep -oE ' ft: [0-9]+' "$log" | tail -1 | grep -oE '[0-9]+' || true)"
  crashes=0
  if [ "$status" -ne 0 ]; then crashes=1; failed=1; grep -E 'ERROR|SUMMARY|deadly' "$log" | head -5 || true; fi
  printf '%-26s %12s %8s %8s %8s %8s\n' "$name" "${executions:-?}" "${cov:-?}" "${ft:-?}" "$crashes" \
    "$(($(date +%s) - started))" | tee -a "$report"
done
if [ "$long" = 1 ]; then cat "$report"; fi
exit "$failed"

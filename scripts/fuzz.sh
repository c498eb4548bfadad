#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in build-fuzz/ (or BUILD_DIR) and runs each one for a
# bounded time (FUZZ_SECONDS, default 30) on a working copy of its seed corpus, under
# AddressSanitizer and UndefinedBehaviorSanitizer. A crash stops the script and leaves the input
# that caused it in <build>/fuzz-artifacts/.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
seconds="${FUZZ_SECONDS:-30}"
build_dir="${BUILD_DIR:-build-fuzz}"
CC=clang CXX=clang++ cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVELMORA_FUZZ=ON -DVELMORA_BUILD_GUI=OFF -DVELMORA_BUILD_BENCH=OFF >/dev/null
cmake --build "$build_dir" -j "$(nproc)" --target velmora_fuzzers
mkdir -p "$build_dir/fuzz-artifacts"
for fuzzer in "$build_dir"/fuzz/fuzz_*; do
  name="$(basename "$fuzzer")"
  seeds="tests/fuzz/corpus/${name#fuzz_}"
  work="$build_dir/fuzz-corpus/${name#fuzz_}"
  mkdir -p "$work"
  if [ -d "$seeds" ]; then cp -n "$seeds"/* "$work"/ 2>/dev/null || true; fi
  echo "== $name: ${seconds} s"
  "$fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$build_dir/fuzz-artifacts/$name-" "$work" 2>&1 |
    grep -E '^(stat::|==|SUMMARY|Done|INFO: Seed)|ERROR|deadly|leak' || true
  test "${PIPESTATUS[0]}" -eq 0
done

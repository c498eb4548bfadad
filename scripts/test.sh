#!/usr/bin/env bash
# Installs what is needed, builds everything and runs the whole test suite.
#   scripts/test.sh              normal build in build/
#   scripts/test.sh --sanitize   AddressSanitizer + UndefinedBehaviorSanitizer build in build-asan/
#   scripts/test.sh --thread     ThreadSanitizer build in build-tsan/ of the simulation tests, running
#                                the ones that simulate from several threads at once
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
if [ "${1:-}" = "--thread" ]; then
  export BUILD_DIR=build-tsan BUILD_TARGETS="simulation_tests velmora_data"
  scripts/build.sh -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELMORA_SANITIZE_THREAD=ON -DVELMORA_BUILD_GUI=OFF \
    -DVELMORA_BUILD_BENCH=OFF
  TSAN_OPTIONS=halt_on_error=1 build-tsan/tests/simulation/simulation_tests --gtest_filter='*Thread*'
  exit 0
elif [ "${1:-}" = "--sanitize" ]; then
  export BUILD_DIR=build-asan
  scripts/build.sh -DCMAKE_BUILD_TYPE=Debug -DVELMORA_SANITIZE=ON -DVELMORA_BUILD_BENCH=OFF
  export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
  export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
else
  export BUILD_DIR=build
  scripts/build.sh -DCMAKE_BUILD_TYPE=RelWithDebInfo
fi
ctest --test-dir "$BUILD_DIR" --output-on-failure -j "$(nproc)"

#!/usr/bin/env bash
# The Python suite under AddressSanitizer: the module built in the sanitizer tree of
# `scripts/test.sh --sanitize` (build-asan/, reusing its instrumented core libraries), then pytest
# run by the system interpreter with the sanitizer runtime preloaded, so that a NumPy array that
# outlives the buffer it shows, or a buffer freed twice, stops the suite with a report.
#
# Leak detection is off: the interpreter keeps its own objects alive at exit by design. Python's
# small-object allocator is replaced by malloc so that the sanitizer sees every allocation.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
export BUILD_DIR=build-asan BUILD_TARGETS="velmora_python"
scripts/build.sh -DCMAKE_BUILD_TYPE=Debug -DVELMORA_SANITIZE=ON -DVELMORA_BUILD_BENCH=OFF
compiler=$(sed -n 's/^CMAKE_CXX_COMPILER:[A-Z]*=//p' build-asan/CMakeCache.txt)
# The sanitizer runtime first; the C++ runtime with it, so that the sanitizer finds the exception
# functions it intercepts (the interpreter itself does not load libstdc++).
runtime=$("${compiler:-c++}" -print-file-name=libasan.so)
cxx=$("${compiler:-c++}" -print-file-name=libstdc++.so)
if [ ! -e "$runtime" ] || [ ! -e "$cxx" ]; then
  echo "python-asan: the AddressSanitizer or C++ runtime of ${compiler:-c++} was not found" >&2
  exit 1
fi
export LD_PRELOAD="$runtime $cxx"
export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export PYTHONMALLOC=malloc
export PYTHONPATH="$PWD/build-asan/python" VELMORA_CLI="$PWD/build-asan/velmora-cli" VELMORA_SOURCE="$PWD"
exec /usr/bin/python3 -m pytest -q -p no:cacheprovider python/tests "$@"

#!/usr/bin/env bash
# Configures and builds VELmora in build/ (or the folder given as BUILD_DIR); only the targets
# listed in BUILD_TARGETS when it is set. Extra arguments go to CMake, e.g.
# scripts/build.sh -DVELMORA_SANITIZE=ON
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir="${BUILD_DIR:-build}"
launcher=()
# A compiler cache, where installed, makes rebuilds of unchanged files free.
if command -v ccache >/dev/null 2>&1; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi
cmake -S . -B "$build_dir" -G Ninja "${launcher[@]}" "$@" >/dev/null
targets=()
for t in ${BUILD_TARGETS:-}; do targets+=(--target "$t"); done
cmake --build "$build_dir" -j "$(nproc)" "${targets[@]}"

#!/usr/bin/env bash
# Installs what is needed, builds VELmora and starts it with the shipped database (data/ beside
# the program). Only the program itself is built here; scripts/test.sh builds everything.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)" --target velmora-cli
if cmake --build build -j "$(nproc)" --target velmora 2>/dev/null; then
  exec build/velmora "$@"
fi
echo "The desktop program could not be built (is Qt 6 installed?); the database commands work:" >&2
exec build/velmora-cli systems

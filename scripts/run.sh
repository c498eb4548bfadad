#!/usr/bin/env bash
# Installs what is needed, builds VELmora and starts it with the shipped database.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
BUILD_DIR=build scripts/build.sh -DCMAKE_BUILD_TYPE=RelWithDebInfo
if [ -x build/velmora ]; then
  exec build/velmora "$@"
fi
exec build/velmora-cli systems "$@"

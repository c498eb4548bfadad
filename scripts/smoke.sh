#!/usr/bin/env bash
# Starts the real desktop program under a virtual X server (Xvfb), lets it run its start-up
# simulation and one more at 3000 K, and closes it as a user would. Prints the times taken.
# Uses the build in build/ (or BUILD_DIR); its settings go to a temporary file.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir="${BUILD_DIR:-build}"
settings="$(mktemp --suffix=.ini)"
trap 'rm -f "$settings"' EXIT
xvfb-run -a -s "-screen 0 1600x1000x24" timeout 120 \
  "$build_dir/velmora" --smoke-test --settings "$settings"
# The settings written at close name the band system that was shown.
grep -q "^irad=" "$settings" || { echo "smoke test: no settings written at close"; exit 1; }
echo "smoke test: settings written at close"

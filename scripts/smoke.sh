#!/usr/bin/env bash
# Starts the real desktop program under a virtual X server (Xvfb), lets it run its start-up
# simulation and one more at 3000 K, and closes it as a user would. Prints the times taken.
# A second run on a 1280x800 screen saves a screenshot (docs/ shows one) and checks that the plot
# gets at least half the window's height there; a third on 1920x1080 checks the same and that no
# input page has to scroll; a fourth saves the dark colour scheme at 1920x1080.
# Uses the build in build/ (or BUILD_DIR); its settings go to a temporary file.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir="${BUILD_DIR:-build}"
settings="$(mktemp --suffix=.ini)"
small="$(mktemp --suffix=.ini)"
large="$(mktemp --suffix=.ini)"
dark="$(mktemp --suffix=.ini)"
# SMOKE_SCREENSHOT=file.png keeps the 1280x800 screenshot (and file-1920x1080.png, file-dark.png);
# otherwise they are temporary files.
screenshot="${SMOKE_SCREENSHOT:-}"
keep="$screenshot"
[ -n "$screenshot" ] || screenshot="$(mktemp --suffix=.png)"
shot_large="${screenshot%.png}-1920x1080.png"
shot_dark="${screenshot%.png}-dark.png"
trap 'rm -f "$settings" "$small" "$large" "$dark"; [ -n "$keep" ] || rm -f "$screenshot" "$shot_large" "$shot_dark"' EXIT
xvfb-run -a -s "-screen 0 1600x1000x24" timeout 120 \
  "$build_dir/velmora" --smoke-test --settings "$settings"
# The settings written at close name the band system that was shown.
grep -q "^irad=" "$settings" || { echo "smoke test: no settings written at close"; exit 1; }
echo "smoke test: settings written at close"

# check_screen WxH SETTINGS SCREENSHOT: runs the program on a WxH screen, saves a screenshot
# and fails unless the plot gets at least half the window's height.
check_screen() {
  local screen="$1" out plot_height window_height
  out="$(xvfb-run -a -s "-screen 0 ${screen}x24" timeout 120 \
    "$build_dir/velmora" --smoke-test --settings "$2" --screenshot "$3")"
  echo "$out"
  [ -s "$3" ] || { echo "smoke test: no screenshot at $screen"; exit 1; }
  read -r plot_height window_height < <(echo "$out" | sed -n 's/^plot area: [0-9]* x \([0-9]*\) px in a [0-9]* x \([0-9]*\) window$/\1 \2/p')
  if [ -z "${plot_height:-}" ] || [ $((2 * plot_height)) -lt "$window_height" ]; then
    echo "smoke test: at $screen the plot is ${plot_height:-?} px high in a ${window_height:-?} px window (less than half)"
    exit 1
  fi
  echo "smoke test: at $screen the plot is $plot_height px high in a $window_height px window"
  screen_output="$out"
}
check_screen 1280x800 "$small" "$screenshot"
check_screen 1920x1080 "$large" "$shot_large"
# On a 1920x1080 screen every input page shows all its groups without scrolling.
if echo "$screen_output" | grep -q '^input page .*: [1-9][0-9]* px to scroll$'; then
  echo "smoke test: at 1920x1080 an input page has to scroll"
  exit 1
fi
echo "smoke test: at 1920x1080 every input page shows all its groups"

# The dark colour scheme (stored as Main/intColor=1), for a look at its contrast.
printf '[Main]\nintColor=1\n' >"$dark"
xvfb-run -a -s "-screen 0 1920x1080x24" timeout 120 \
  "$build_dir/velmora" --smoke-test --settings "$dark" --screenshot "$shot_dark" >/dev/null
[ -s "$shot_dark" ] || { echo "smoke test: no screenshot of the dark scheme"; exit 1; }
echo "smoke test: dark scheme drawn"

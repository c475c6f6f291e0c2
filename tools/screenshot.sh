#!/usr/bin/env bash
# Takes the pictures of the README: runs the built program with its virtual
# breathalyser (--demo) on a virtual X display, saves the main window once the
# device is connected (docs/main-window.png), then clicks "Download Previous
# Results" like a user and saves the results window with its colour-coded grid
# (docs/results-window.png). Builds nothing; needs xvfb-run, xdotool and
# ImageMagick's import (tools/deps.sh installs them).
#
#   tools/screenshot.sh [build-dir] [output-dir]
#
# SCREENSHOT_WAIT: seconds from start until the device is surely connected (default 6).
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$here/build}"
out="${2:-$here/docs}"
program="$build/bin/brevalon-data-manager"
wait_seconds="${SCREENSHOT_WAIT:-6}"

for tool in xvfb-run xdotool import; do
    command -v "$tool" >/dev/null || { echo "screenshot: $tool is not installed" >&2; exit 1; }
done
[[ -x "$program" ]] || { echo "screenshot: $program not found; build it first" >&2; exit 1; }

mkdir -p "$out"
# Keep the user's own settings out of it.
export LOCALAPPDATA="$(mktemp -d)"
trap 'rm -rf "$LOCALAPPDATA"' EXIT

# Runs inside the virtual display: $1 program, $2 wait, $3 output folder.
xvfb-run -a -s "-screen 0 1024x640x24" bash -c '
    set -euo pipefail
    program="$1"; wait_seconds="$2"; out="$3"
    "$program" --demo >/dev/null 2>&1 &
    pid=$!
    trap "kill $pid 2>/dev/null || true; wait $pid 2>/dev/null || true" EXIT

    # The first visible window of that name (the search blocks until it shows).
    window() { timeout 20 xdotool search --sync --onlyvisible --name "$1" | head -n 1; }

    main=$(window "Data Manager")
    sleep "$wait_seconds"
    import -window "$main" "$out/main-window.png"

    # "Download Previous Results": 452, 4, 200 x 32 in the button bar, which
    # fills the bottom 39 pixels of the 744 x 421 main window.
    xdotool mousemove --window "$main" 552 402 click 1
    results=$(window "^Brevalon Results$")
    sleep 2
    # The pointer rests outside both windows so that no button shows hovered.
    xdotool mousemove 1010 630
    sleep 0.5
    import -window "$results" "$out/results-window.png"
' screenshot "$program" "$wait_seconds" "$out"
echo "screenshot: wrote $out/main-window.png and $out/results-window.png"

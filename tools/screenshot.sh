#!/usr/bin/env bash
# Takes a picture of the main window for the documentation: runs the built
# program on a virtual X display (with the virtual breathalyser when the build
# has it), waits until it has connected, and saves the whole screen to
# docs/main-window.png. Builds nothing.
#
#   tools/screenshot.sh [build-dir] [output.png]
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$here/build}"
out="${2:-$here/docs/main-window.png}"
program="$build/bin/brevalon-data-manager"
wait_seconds="${SCREENSHOT_WAIT:-5}"

for tool in xvfb-run import; do
    command -v "$tool" >/dev/null || { echo "screenshot: $tool is not installed" >&2; exit 1; }
done
[[ -x "$program" ]] || { echo "screenshot: $program not found; build it first" >&2; exit 1; }

args=()
if QT_QPA_PLATFORM=offscreen "$program" --help 2>/dev/null | grep -q -- '--demo'; then args+=(--demo); fi

mkdir -p "$(dirname "$out")"
# Keep the user's own settings out of it.
export LOCALAPPDATA="$(mktemp -d)"
trap 'rm -rf "$LOCALAPPDATA"' EXIT

xvfb-run -a -s "-screen 0 1024x640x24" bash -c '
    "$1" "${@:4}" &
    pid=$!
    sleep "$2"
    import -window root "$3"
    kill "$pid"
    wait "$pid" 2>/dev/null || true
' screenshot "$program" "$wait_seconds" "$out" "${args[@]}"
echo "screenshot: wrote $out"

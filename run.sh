#!/usr/bin/env bash
# Installs what is missing, builds, and starts the program. Without arguments it
# attaches the built-in virtual breathalyser (--demo) so there is a device to
# find; pass --port NAME to use a real device on that port, or --real to let the
# program search every serial port of the machine.
set -euo pipefail
BREV_ROOT="$(cd "$(dirname "$0")" && pwd)"
source "$BREV_ROOT/tools/deps.sh"
brev_install_deps
brev_build "$BREV_ROOT/build" brevalon-data-manager brevalon-cli

args=("$@")
if [ ${#args[@]} -eq 0 ]; then
    args=(--demo)
elif [ "${args[0]}" = "--real" ]; then
    args=("${args[@]:1}")
fi

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    exec "$BREV_ROOT/build/bin/brevalon-data-manager" "${args[@]}"
elif [ -x "$BREV_ROOT/build/bin/brevalon-cli" ]; then
    echo "No display: running the headless front end instead of the window." >&2
    # A new file name each run, so nothing is overwritten and a second run works too.
    exec "$BREV_ROOT/build/bin/brevalon-cli" "${args[@]}" download \
        -o "$BREV_ROOT/Brevalon-Results-$(date +%Y%m%d-%H%M%S).csv"
else
    exec "$BREV_ROOT/build/bin/brevalon-data-manager" "${args[@]}"
fi

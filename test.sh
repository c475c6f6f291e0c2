#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test.
set -euo pipefail
BREV_ROOT="$(cd "$(dirname "$0")" && pwd)"
source "$BREV_ROOT/tools/deps.sh"
brev_install_deps
brev_build "$BREV_ROOT/build"
cd "$BREV_ROOT/build"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j "$(nproc)" --timeout 300

#!/usr/bin/env bash
# Installs the Debian/Ubuntu packages the build, the tests and the screenshots need,
# but only those that are missing. Sourced by run.sh and test.sh.
brev_install_deps() {
    local pkgs=(cmake ninja-build g++ pkg-config qt6-base-dev qt6-serialport-dev
                libgtest-dev libgmock-dev libbenchmark-dev xvfb xauth imagemagick fonts-dejavu-core xdotool)
    local missing=()
    for p in "${pkgs[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo apt-get update
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
}

# brev_build DIR [TARGET...]: configures once and builds the targets (all by default).
brev_build() {
    local dir="$1"
    shift
    if [ ! -f "$dir/build.ninja" ]; then
        cmake -S "$BREV_ROOT" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    fi
    if [ $# -gt 0 ]; then
        local t=()
        for x in "$@"; do t+=(--target "$x"); done
        cmake --build "$dir" -j "$(nproc)" "${t[@]}"
    else
        cmake --build "$dir" -j "$(nproc)"
    fi
}

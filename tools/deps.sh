#!/usr/bin/env bash
# Installs the Debian/Ubuntu packages the build, the tests and the screenshots need,
# but only those that are missing. Sourced by run.sh and test.sh; the sanitizer and
# fuzzing stages (tools/check-sanitizers.sh, tools/fuzz-smoke.sh) add the check
# packages with brev_install_check_deps.
brev_install_deps() {
    brev_install_missing cmake ninja-build g++ pkg-config qt6-base-dev qt6-serialport-dev \
        libgtest-dev libgmock-dev libbenchmark-dev xvfb xauth imagemagick fonts-dejavu-core xdotool
}

# clang with its sanitizer and libFuzzer runtimes, and llvm-symbolizer for
# readable reports.
brev_install_check_deps() {
    brev_install_missing clang libclang-rt-14-dev llvm
}

# brev_install_missing PACKAGE...: apt-get installs those not installed yet.
brev_install_missing() {
    local missing=()
    for p in "$@"; do
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

# brev_build_checked DIR TARGET -D...: configures DIR with clang, -O1 and the given
# options (the sanitizer and fuzzing builds; every time, so that the options in
# force are always these), then builds TARGET.
brev_build_checked() {
    local dir="$1" target="$2"
    shift 2
    cmake -S "$BREV_ROOT" -B "$dir" -G Ninja -DCMAKE_CXX_COMPILER=clang++ \
        -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g" -DBREV_BUILD_BENCH=OFF \
        "$@" >/dev/null
    cmake --build "$dir" -j "$(nproc)" --target "$target"
}

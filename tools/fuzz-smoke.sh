#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ with AddressSanitizer and
# UndefinedBehaviorSanitizer (build-fuzz/) and runs each one for a while, starting
# from its committed seeds in fuzz/corpus/<name>/ (and fuzz/<name>.dict when
# there is one). New inputs the fuzzer finds go to build-fuzz/corpus/<name>/, never
# into the repository; a crashing input is saved as build-fuzz/artifacts/<name>-*.
#
#   tools/fuzz-smoke.sh [SECONDS [NAME...]]
#
# SECONDS per target (default 45, or FUZZ_SECONDS); NAME: run only these targets
# (fuzz_frames or frames). Prints each target's executions; fails when a target
# finds a crash, a leak, a timeout or undefined behaviour.
set -euo pipefail
BREV_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
source "$BREV_ROOT/tools/deps.sh"

seconds="${1:-${FUZZ_SECONDS:-45}}"
shift || true
dir="$BREV_ROOT/build-fuzz"

brev_install_deps
brev_install_check_deps
brev_build_checked "$dir" brev_fuzz -DBREV_SANITIZE=address,undefined -DBREV_BUILD_FUZZ=ON \
    -DBREV_BUILD_TESTS=OFF -DBREV_BUILD_GUI=OFF

export ASAN_OPTIONS="halt_on_error=1:detect_leaks=1:strict_string_checks=1:detect_stack_use_after_return=1"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"

names=()
if [ $# -gt 0 ]; then
    for n in "$@"; do names+=("${n#fuzz_}"); done
else
    for bin in "$dir"/bin/fuzz_*; do names+=("$(basename "$bin" | sed 's/^fuzz_//')"); done
fi

mkdir -p "$dir/artifacts" "$dir/logs"
failed=()
summary=()
for name in "${names[@]}"; do
    bin="$dir/bin/fuzz_$name"
    seeds="$BREV_ROOT/fuzz/corpus/$name"
    work="$dir/corpus/$name"
    log="$dir/logs/$name.log"
    [ -x "$bin" ] || { echo "fuzz: no target $bin" >&2; exit 2; }
    [ -d "$seeds" ] || { echo "fuzz: no seeds in $seeds" >&2; exit 2; }
    mkdir -p "$work"
    args=(-max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1
          -artifact_prefix="$dir/artifacts/$name-")
    [ -f "$BREV_ROOT/fuzz/$name.dict" ] && args+=(-dict="$BREV_ROOT/fuzz/$name.dict")

    echo "fuzz_$name: ${seconds} s from $(find "$seeds" -type f | wc -l) seeds"
    status=0
    "$bin" "${args[@]}" "$work" "$seeds" >"$log" 2>&1 || status=$?
    runs="$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)"
    corpus="$(find "$work" -type f | wc -l)"
    if [ "$status" -ne 0 ]; then
        failed+=("fuzz_$name")
        echo "fuzz_$name: FAILED (exit $status) after ${runs:-?} executions; the end of $log:" >&2
        tail -n 60 "$log" >&2
        summary+=("fuzz_$name: FAILED after ${runs:-?} executions")
    else
        summary+=("fuzz_$name: ${runs:-?} executions in ${seconds} s, $corpus inputs in its corpus")
    fi
done

printf '%s\n' "${summary[@]}"
if [ ${#failed[@]} -gt 0 ]; then
    echo "fuzz: findings in ${failed[*]} (inputs in $dir/artifacts/)" >&2
    exit 1
fi

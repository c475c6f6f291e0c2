#!/usr/bin/env bash
# Builds the test programs with clang and a sanitizer, and runs them; any finding
# ends its program at once and fails the run.
#
#   tools/check-sanitizers.sh address [CTEST-ARGS...]   AddressSanitizer + UndefinedBehaviorSanitizer
#                                                       in build-asan/
#   tools/check-sanitizers.sh thread [CTEST-ARGS...]    ThreadSanitizer in build-tsan/
#                                                       (without the end-to-end tests)
#
# Extra arguments go to ctest (for instance -R SettingsWindow). Set
# CMAKE_CXX_COMPILER_LAUNCHER=ccache to build with ccache.
set -euo pipefail
BREV_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
source "$BREV_ROOT/tools/deps.sh"

kind="${1:-}"
shift || true

# Tests that this stage leaves out, each for a stated reason (a regular expression
# for ctest -E; empty: none).
excluded=""

case "$kind" in
    address)
        dir="$BREV_ROOT/build-asan"
        sanitize="address,undefined"
        target="brev_tests"
        export ASAN_OPTIONS="halt_on_error=1:detect_leaks=1:strict_string_checks=1:detect_stack_use_after_return=1:check_initialization_order=1:strict_init_order=1"
        export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
        ;;
    thread)
        dir="$BREV_ROOT/build-tsan"
        sanitize="thread"
        # The end-to-end tests (tests/e2e) start the programs with QProcess, whose
        # clone() call trips an internal check of clang 14's ThreadSanitizer runtime
        # (tsan_rtl.cpp:234 in ForkAfter); they run in the AddressSanitizer stage.
        # Their program is not built here; the names also leave out a test_e2e left
        # in build-tsan/ by an older run.
        target="brev_tests_no_e2e"
        excluded="^test_e2e_NOT_BUILT$|^(CliEndToEnd|WindowEndToEnd)\."
        # QtCommOnPty (the Qt serial component on a pseudo-terminal): the receive
        # handler is stored on the test's thread and called on the serial I/O
        # thread. The only ordering between the two is the blocking queued open
        # call, which Qt orders with locks the runtime cannot see, so every test
        # that receives bytes reports the pair although it is ordered. The suite
        # can join once the handler is handed over in a way the runtime sees (for
        # instance stored on the I/O thread itself).
        excluded+="|^QtCommOnPty\\."
        # Qt is not built with ThreadSanitizer; the suppressions file says which
        # of its internals are left out, and why.
        export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:suppressions=$BREV_ROOT/tools/tsan-qt.supp"
        ;;
    *)
        echo "usage: $0 address|thread [ctest arguments...]" >&2
        exit 2
        ;;
esac

brev_install_deps
brev_install_check_deps
export QT_QPA_PLATFORM=offscreen
brev_build_checked "$dir" "$target" -DBREV_SANITIZE="$sanitize"

cd "$dir"
args=(--output-on-failure -j "$(nproc)" --timeout 300)
[ -n "$excluded" ] && args+=(-E "$excluded")
ctest "${args[@]}" "$@"

#!/usr/bin/env bash
# Builds everything with AddressSanitizer and UBSan in build-asan/ and runs the whole
# suite under them, the window tests on a private headless X display. Reports from
# the system libraries (Mesa, fontconfig, GLib, D-Bus, GTK) are suppressed by the
# files in tools/sanitize/; anything in the game's own code fails its test, and so does
# a process of the build's programs left running at the end.
#
#   tools/sanitize.sh [extra ctest arguments, e.g. -R audio]
set -euo pipefail
cd "$(dirname "$0")/.."
. tools/packages.sh
install_missing $BUILD_PACKAGES $RUN_PACKAGES $TEST_PACKAGES
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVORPANE_BUILD_TESTS=ON \
    -DVORPANE_SANITIZE=ON
cmake --build build-asan -j "${JOBS:-$(nproc)}"

supp="$PWD/tools/sanitize"
# UBSan only prints by default: halt_on_error makes a report fail the test.
# intercept_tls_get_addr=0: GCC 12's runtime takes a thread-local block that happens to
# start at a certain page offset for a pre-2.25 glibc one and reads a made-up range from
# it, and the leak check at exit then dies on it now and then ("Tracer caught signal
# 11"), a crash of the checker that reports no leak. Without the interceptor the
# threads' static TLS is still scanned.
export ASAN_OPTIONS="detect_leaks=1:strict_string_checks=1:check_initialization_order=1:detect_stack_use_after_return=1:intercept_tls_get_addr=0"
export LSAN_OPTIONS="suppressions=$supp/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="suppressions=$supp/ubsan.supp:print_stacktrace=1:halt_on_error=1"
status=0
(cd build-asan && xvfb-run -a -s "-screen 0 1280x1024x24 +extension GLX +extension RANDR -noreset" \
    ctest --output-on-failure --timeout 900 -j "${JOBS:-$(nproc)}" "$@") || status=1
# Every program the tests started has ended.
tools/check_leftovers.sh build-asan || status=1
exit $status

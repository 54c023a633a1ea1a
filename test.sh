#!/usr/bin/env bash
# Installs what the build and the tests need, builds everything in build/ and runs
# every test with CTest, the window tests under a private Xvfb display; then builds
# and runs the whole suite again under AddressSanitizer and UBSan (tools/sanitize.sh).
# Fails when either run fails or leaves a process of the build's programs running.
set -euo pipefail
cd "$(dirname "$0")"
. tools/packages.sh
install_missing $BUILD_PACKAGES $RUN_PACKAGES $TEST_PACKAGES
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVORPANE_BUILD_TESTS=ON
cmake --build build -j "$(nproc)"
status=0
# The GUI tests need an X server; give the whole run its own headless one.
# -noreset: by default the server resets whenever its last client leaves, and a test
# program that connects during that reset fails to open the display.
(cd build && xvfb-run -a -s "-screen 0 1280x1024x24 +extension GLX +extension RANDR -noreset" \
    ctest --output-on-failure --timeout 600 -j "$(nproc)") || status=1
# Every program the tests started has ended.
tools/check_leftovers.sh build || status=1
tools/sanitize.sh || status=1
exit $status

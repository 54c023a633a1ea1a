#!/usr/bin/env bash
# Installs what is missing, builds the game in build/ and starts it.
set -euo pipefail
cd "$(dirname "$0")"
. tools/packages.sh
install_missing $BUILD_PACKAGES $RUN_PACKAGES
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVORPANE_BUILD_TESTS=OFF
cmake --build build --target vorpane vorpane_play_planet vorpane_audio_demo -j "$(nproc)"
exec ./build/vorpane "$@"

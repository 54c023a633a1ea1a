#!/usr/bin/env bash
# Runs the whole-program test of every end in a game mode (SIGTERM, Ctrl+C, a crash,
# SIGKILL: each with the desktop's mode back and no mode guard left) many times in a row
# on a busy machine, each run a fresh test program, and tells how many passed; then
# checks that no process of the build is left running. Not part of the suite: a loop to
# show the ends hold under load.
#
#   bench/programs/every_end_loop.sh [BUILD_DIR] [RUNS]   (defaults: build 50)
#
# The load: stress-ng on every core, when installed.
set -uo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build}
runs=${2:-50}
test=ProgramTest.EveryEndPutsTheDesktopsModeBackAndLeavesNoGuard
load=
if command -v stress-ng >/dev/null; then
    stress-ng --cpu "$(nproc)" --quiet &
    load=$!
fi
passed=0
for ((i = 1; i <= runs; i++)); do
    if (cd "$build/tests/programs" && timeout 300 xvfb-run -a -s \
        "-screen 0 1280x1024x24 +extension GLX +extension RANDR -noreset" \
        ./program_tests --gtest_filter="$test" >"/tmp/every_end_loop.$i.log" 2>&1); then
        passed=$((passed + 1))
        rm -f "/tmp/every_end_loop.$i.log"
    else
        echo "run $i failed: /tmp/every_end_loop.$i.log"
    fi
done
[ -n "$load" ] && kill "$load"
echo "$passed of $runs passed"
tools/check_leftovers.sh "$build" || exit 1
[ "$passed" -eq "$runs" ]

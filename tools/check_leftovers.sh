#!/usr/bin/env bash
# Fails when a process of the given build folder's programs (the game, its tools, the
# test programs) is still running once a test run has ended: a test must end every
# program it starts, and so must every program the tests start. Such a process is
# listed, then killed so it cannot outlive the run. One that is ending anyway has
# 10 s to go (LEFTOVER_GRACE_SECONDS).
#
#   tools/check_leftovers.sh BUILD_DIR
set -uo pipefail
build=$(realpath "$1")

# The pids of processes running an executable inside the build folder (a process
# forked from one without exec runs the same executable).
leftovers() {
    local exe pid
    for exe in /proc/[0-9]*/exe; do
        pid=${exe#/proc/}
        pid=${pid%/exe}
        [ "$pid" = "$$" ] && continue
        case "$(readlink "$exe" 2>/dev/null)" in
        "$build"/*) echo "$pid" ;;
        esac
    done
}

end=$((SECONDS + ${LEFTOVER_GRACE_SECONDS:-10}))
while pids=$(leftovers) && [ -n "$pids" ] && [ $SECONDS -lt $end ]; do
    sleep 0.1
done
[ -z "$pids" ] && exit 0
echo "Processes of $build left running after the tests:" >&2
for pid in $pids; do
    echo "  $pid (parent $(ps -o ppid= -p "$pid" | tr -d ' ')): $(tr '\0' ' ' < "/proc/$pid/cmdline" 2>/dev/null)" >&2
done
kill -9 $pids 2>/dev/null
exit 1

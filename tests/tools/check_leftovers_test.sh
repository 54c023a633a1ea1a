#!/usr/bin/env bash
# The check for programs left running after the tests: status 0 when none of the
# folder's programs runs (a program elsewhere does not count), status 1 naming one that
# does, which it then ends.
#   check_leftovers_test.sh <path of check_leftovers.sh>
set -u
check="$1"
dir=$(mktemp -d)
trap 'kill -9 $(jobs -p) 2>/dev/null; rm -rf "$dir"' EXIT
mkdir -p "$dir/build" "$dir/elsewhere"
cp "$(command -v sleep)" "$dir/build/lingering"
cp "$(command -v sleep)" "$dir/elsewhere/lingering"
"$dir/elsewhere/lingering" 60 &
out=$(LEFTOVER_GRACE_SECONDS=1 "$check" "$dir/build" 2>&1); status=$?
if [ $status -ne 0 ] || [ -n "$out" ]; then
    echo "FAIL: no program of the folder running gave status $status: $out"; exit 1
fi
"$dir/build/lingering" 60 &
left=$!
out=$(LEFTOVER_GRACE_SECONDS=1 "$check" "$dir/build" 2>&1); status=$?
if [ $status -ne 1 ] || ! grep -q "$left .*lingering 60" <<<"$out"; then
    echo "FAIL: a program of the folder left running gave status $status: $out"; exit 1
fi
wait $left 2>/dev/null
if kill -0 $left 2>/dev/null; then
    echo "FAIL: the program left running was not ended"; exit 1
fi
echo "ok"

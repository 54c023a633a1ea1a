#!/usr/bin/env bash
# The floor check itself: quiet with status 0 on a tree whose includes only reach down,
# status 1 naming the file and both floors when one reaches up.
#   check_floors_test.sh <path of check_floors.py>
set -u
check="$1"
tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT
mkdir -p "$tree/src/texgen" "$tree/src/display" "$tree/tests/texgen" "$tree/tests/support"
printf '#include "app/app_color.h"\n' > "$tree/src/texgen/tg_a.h"
printf '#include "texgen/tg_a.h"\n#include "platform/pf_clock.h"\n' > "$tree/src/display/dp_b.cpp"
printf '#include "support/test_support.h"\n#include "texgen/tg_a.h"\n' > "$tree/tests/texgen/a_test.cpp"
out=$(python3 "$check" "$tree" 2>&1); status=$?
if [ $status -ne 0 ] || [ -n "$out" ]; then
    echo "FAIL: a tree that only reaches down gave status $status: $out"; exit 1
fi
printf '#include "display/dp_b.h"\n' >> "$tree/tests/texgen/a_test.cpp"
out=$(python3 "$check" "$tree" 2>&1); status=$?
if [ $status -ne 1 ] || ! grep -q "tests/texgen/a_test.cpp: includes display/dp_b.h: display is above texgen" <<<"$out"; then
    echo "FAIL: an include reaching up gave status $status: $out"; exit 1
fi
echo "ok"

#!/usr/bin/env bash
# vorpane_audio_demo as a user starts it: bad arguments give the usage and status 2
# without playing anything; a render that cannot be written fails with status 1 and
# leaves no file; a good render writes a whole WAV file.
#   demo_args_test.sh <path of vorpane_audio_demo>
set -u
demo="$1"
dir="$(mktemp -d)"
trap 'rm -rf "$dir"' EXIT
failed=0

expect() {  # expect STATUS ARGS...
    local want="$1"
    shift
    timeout 60 "$demo" "$@" >"$dir/out" 2>"$dir/err"
    local got=$?
    if [ "$got" -ne "$want" ]; then
        echo "FAIL: vorpane_audio_demo $* gave status $got, expected $want"
        cat "$dir/err"
        failed=1
    fi
}

for bad in abc -5 3000000 99999999999 12x 3601 "--render" "1 2"; do
    # shellcheck disable=SC2086
    expect 2 $bad
    if [ "$failed" = 0 ] && ! grep -q "^usage:" "$dir/err"; then
        echo "FAIL: no usage for '$bad'"
        failed=1
    fi
done
expect 2 ""
expect 2 --render "$dir/x.wav" -1
expect 2 --render ""
[ -e "$dir/x.wav" ] && { echo "FAIL: a refused render wrote a file"; failed=1; }

# The show is rendered at eight times real time: about two seconds. A full disk
# (where the machine has the device that acts as one).
if [ -c /dev/full ]; then
    expect 1 --render /dev/full 0
    grep -q "cannot write /dev/full" "$dir/err" || { echo "FAIL: no write error reported"; failed=1; }
fi

# A file size limit far below the render: the write fails part way.
( ulimit -f 16; trap '' XFSZ; exec timeout 60 "$demo" --render "$dir/small.wav" 0 ) \
    >"$dir/out" 2>"$dir/err"
got=$?
[ "$got" -eq 1 ] || { echo "FAIL: a render over the size limit gave status $got"; failed=1; }
[ -e "$dir/small.wav" ] && { echo "FAIL: the partial file was left"; failed=1; }

expect 0 --render "$dir/good.wav" 0
size=$(stat -c %s "$dir/good.wav" 2>/dev/null || echo 0)
[ "$size" -gt 1000000 ] || { echo "FAIL: the good render is $size bytes"; failed=1; }
exit $failed

#!/bin/sh
# CTest's emulator for the test programs: runs the program under wine with its output in a
# file. The first program started in a prefix also starts Wine's background processes, which
# inherit its output and live on while other tests keep the prefix busy; writing to CTest's
# pipe directly, they would keep the pipe open and the finished test waiting until its time-out.
out=$(mktemp) || exit 1
wine "$@" </dev/null >"$out" 2>&1
status=$?
cat "$out"
rm -f "$out"
exit $status

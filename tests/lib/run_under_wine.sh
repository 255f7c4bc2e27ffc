#!/bin/sh
# CTest's emulator for the test programs: runs the program under wine with its output in a
# file. The first program started in a prefix also starts Wine's background processes, which
# inherit its output and live on while other tests keep the prefix busy; writing to CTest's
# pipe directly, they would keep the pipe open and the finished test waiting until its time-out.
# SW_NO_WINE: this architecture's Wine cannot run here; the programs list no test cases, so
# that CTest can still run the static checks of the build.
if [ -n "${SW_NO_WINE:-}" ]; then exit 0; fi
out=$(mktemp) || exit 1
wine "$@" </dev/null >"$out" 2>&1
status=$?
cat "$out"
rm -f "$out"
exit $status

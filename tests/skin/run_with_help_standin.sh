#!/bin/sh
# Runs the hand cursor suite in a throwaway copy of the template prefix whose Windows folder
# holds a help program with cursor 106.  $1: skin_tests.exe  $2: the stand-in
set -eu
: "${SW_TEMPLATE_PREFIX:?run through tools/run_tests.sh}"
prefix=$(mktemp -d "${TMPDIR:-/tmp}/sw-skin-XXXXXX")
trap 'WINEPREFIX=$prefix/p wineserver -k 2>/dev/null || true; rm -rf "$prefix"' EXIT
cp -a "$SW_TEMPLATE_PREFIX" "$prefix/p"
cp "$2" "$prefix/p/drive_c/windows/winhlp32.exe"
WINEPREFIX=$prefix/p WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-};winhlp32.exe=n" \
  wine "$1" --gtest_filter='HandCursorWithHelpProgram.*'

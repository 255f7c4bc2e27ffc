#!/usr/bin/env bash
# Runs every test: installs what is missing, builds the program and the tests with the
# cross compiler, runs them under Wine (window tests on a private Xvfb display), then
# builds the computing pieces natively with sanitizers and runs their tests and fuzzers.
#   tools/run_tests.sh            all tests
#   tools/run_tests.sh -R regex   only the CTest names that match (both builds)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
if [ -z "${SW_SKIP_INSTALL:-}" ]; then tools/install_deps.sh; fi

jobs=$(nproc)
cmake -S . -B build/cross -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-i686-mingw.cmake -DCMAKE_BUILD_TYPE=Release
cmake --build build/cross -j "$jobs"
cmake -S tests/native -B build/native -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++
cmake --build build/native -j "$jobs"

# One private display and one template Wine prefix for the whole run; every test that
# changes a prefix copies the template into a throwaway one of its own.
source tools/wine_env.sh
sw_start_display
trap sw_stop_display EXIT
sw_make_template_prefix
export SW_TEMPLATE_PREFIX
# Unit tests run straight under wine (CTest's emulator) share one prefix of their own, so
# nothing they write reaches the template.
export WINEPREFIX=$SW_WORK/unit
rm -rf "$WINEPREFIX"
cp -a "$SW_TEMPLATE_PREFIX" "$WINEPREFIX"
# Wine's background processes start with the first program of a prefix and keep its output
# open; started here, they hold no test's output, so CTest does not wait on them.
wineserver -p </dev/null >/dev/null 2>&1
wine cmd /c exit </dev/null >/dev/null 2>&1 || true
trap 'sw_stop_display; wineserver -k 2>/dev/null || true' EXIT

status=0
# A Wine process now and then hangs at start under load; such a test gets one more run.
ctest --test-dir build/cross --output-on-failure -j 2 --repeat until-pass:2 "$@" || status=1
ctest --test-dir build/native --output-on-failure "$@" || status=1
exit $status

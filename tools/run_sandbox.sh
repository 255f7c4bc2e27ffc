#!/usr/bin/env bash
# Builds Sweepwright and runs it under Wine on a sandbox prefix seeded with harmless
# look-alike samples: the 32-bit Sweepwright.exe where this machine runs 32-bit Wine, else the
# 64-bit Sweepwright64.exe. With a display the window opens for you; without one the script
# presses SCAN itself, prints the report list and saves build/sandbox.png.
#   tools/run_sandbox.sh [--version win98|nt40|win2k|winxp|win7|win10] [--headless]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
if [ -z "${SW_SKIP_INSTALL:-}" ]; then tools/install_deps.sh; fi
preflight=$(/usr/bin/python3 tests/lib/swtest.py preflight)
if grep -q '^32-bit Windows programs: run under' <<<"$preflight"; then
  export SW_ARCH=32 toolchain=i686 program=Sweepwright.exe
  echo "running the 32-bit Sweepwright.exe: this machine runs 32-bit Wine"
elif grep -q '^64-bit Windows programs: run under' <<<"$preflight"; then
  export SW_ARCH=64 toolchain=x86_64 program=Sweepwright64.exe
  echo "running the 64-bit Sweepwright64.exe: this machine cannot run 32-bit Wine, because $(grep '^32-bit' <<<"$preflight" | sed 's/^.*cannot run: //')"
else
  echo "$preflight" >&2
  echo "run_sandbox.sh: this machine runs neither 32-bit nor 64-bit Wine" >&2
  exit 1
fi
build=build/cross$SW_ARCH
cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-$toolchain-mingw.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j "$(nproc)" --target Sweepwright swdriver
export SW_DRIVER=$root/$build/tests/driver/swdriver.exe
exec /usr/bin/python3 tools/sandbox.py --program "$build/$program" "$@"

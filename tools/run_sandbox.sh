#!/usr/bin/env bash
# Builds Sweepwright and runs it under Wine on a sandbox prefix seeded with harmless
# look-alike samples. With a display the window opens for you; without one the script
# presses SCAN itself, prints the report list and saves build/sandbox.png.
#   tools/run_sandbox.sh [--version win98|nt40|win2k|winxp|win7|win10] [--headless]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
if [ -z "${SW_SKIP_INSTALL:-}" ]; then tools/install_deps.sh; fi
cmake -S . -B build/cross -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-i686-mingw.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/cross -j "$(nproc)" --target Sweepwright swdriver
source tools/wine_env.sh
sw_make_template_prefix
export SW_TEMPLATE_PREFIX SW_DRIVER=$root/build/cross/tests/driver/swdriver.exe
exec /usr/bin/python3 tools/sandbox.py --program build/cross/Sweepwright.exe "$@"

#!/usr/bin/env bash
# The throwaway Wine prefix of the scanning tests: a copy of the template (whose C: holds no
# link out of the prefix, so the false-positive pass over C: stays inside it), and three
# drives of test folders: D: with the generated samples and room for each test's own
# folder, E: (a drive root with a Program Files folder, built by its test) and F: (a root
# without one).
#   make_world.sh PREFIX WORK
set -euo pipefail
prefix=$1 work=$2
here=$(cd "$(dirname "$0")" && pwd)
: "${SW_TEMPLATE_PREFIX:?run through tools/run_tests.sh, which makes the template prefix}"
if [ -d "$prefix" ]; then WINEPREFIX=$prefix wineserver -k 2>/dev/null || true; fi
rm -rf "$prefix" "$work"
cp -a "$SW_TEMPLATE_PREFIX" "$prefix"
if [ -n "$(find "$prefix/drive_c" -type l)" ]; then echo "make_world.sh: the template's C: links out" >&2; exit 1; fi
mkdir -p "$work/d" "$work/e" "$work/f"
for drive in d e f; do ln -s "$work/$drive" "$prefix/dosdevices/$drive:"; done
/usr/bin/python3 "$here/../samples/gen_samples.py" --out "$work/d/samples"

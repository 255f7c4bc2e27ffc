#!/usr/bin/env bash
# Runs every test: installs what is missing, finds out which architectures this machine runs,
# runs the native sanitizer tests and fuzzers, then builds the program and its tests for
# i686 (Sweepwright.exe) and x86_64 (Sweepwright64.exe) and runs the whole Wine suite once for
# every architecture the machine runs. Where one cannot run, its build is still checked
# statically and its Wine tests are counted as skipped, with the reason.
#   tools/run_tests.sh            all tests
#   tools/run_tests.sh -R regex   only the CTest names that match (every build)
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
platform="/usr/bin/python3 $root/tests/lib/swtest.py"
jobs=$(nproc)
passed=0 failed=0 skipped=0 skip_reasons=() retried=()

fail_run() { echo "run_tests.sh: $*" >&2; exit 1; }
stage() { stage_name=$1; stage_start=$SECONDS; echo; echo "=== $1"; }
stage_done() { echo "=== $stage_name took $((SECONDS - stage_start)) s"; }

# Adds up one CTest run from its summary line ("95% tests passed, 2 tests failed out of 40").
count_ctest() {
  local summary
  summary=$(grep -E 'tests passed, [0-9]+ tests? failed out of [0-9]+' "$1" | tail -n1)
  if [ -z "$summary" ]; then
    if grep -q 'No tests were found' "$1"; then return 0; fi
    echo "no CTest summary in $1"; failed=$((failed + 1)); return 0
  fi
  local bad total
  bad=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\1/' <<<"$summary")
  total=$(sed -E 's/.*out of ([0-9]+).*/\1/' <<<"$summary")
  passed=$((passed + total - bad))
  failed=$((failed + bad))
}

# Runs CTest in a build folder. With "retry", a Wine test that fails gets one more run (Wine
# now and then hangs at a program's start under load), and one that passes only then is named
# at the end; native tests and static checks get none, since nothing there is left to chance.
run_ctest() {
  local mode=$1 dir=$2; shift 2
  local log=$dir/ctest-run.log list=$dir/Testing/Temporary/LastTestsFailed.log
  rm -f "$list"
  ctest --test-dir "$dir" --output-on-failure "$@" 2>&1 | tee "$log"
  count_ctest "$log"
  [ "$mode" = retry ] && [ -s "$list" ] || return 0
  local first again name
  first=$(cut -d: -f2- "$list")
  echo "--- running once more: $(tr '\n' ' ' <<<"$first")"
  failed=$((failed - $(wc -l <"$list")))
  ctest --test-dir "$dir" --output-on-failure --rerun-failed -j 2 2>&1 | tee "$log.again"
  count_ctest "$log.again"
  again=$(sed -n '/The following tests FAILED:/,$p' "$log.again" | sed -nE 's/^\s+[0-9]+ - (\S+) .*/\1/p')
  for name in $first; do
    grep -qxF "$name" <<<"$again" || retried+=("$name")
  done
}

if [ -z "${SW_SKIP_INSTALL:-}" ]; then
  stage "install"
  tools/install_deps.sh || fail_run "installing the packages failed"
  stage_done
fi

stage "preflight"
preflight=$($platform preflight) || fail_run "the preflight itself failed"
echo "$preflight"
runs() { grep -q "^$1-bit Windows programs: run under" <<<"$preflight"; }
reason() { grep "^$1-bit Windows programs:" <<<"$preflight" | sed 's/.*cannot run: //'; }
stage_done

stage "native tests and fuzzers (AddressSanitizer, UndefinedBehaviorSanitizer)"
cmake -S tests/native -B build/native -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null &&
  cmake --build build/native -j "$jobs" || fail_run "the native build failed"
run_ctest once build/native "$@"
stage_done

# The Wine suite of one architecture: one private display, the template prefix, and a shared
# prefix for the unit tests that CTest runs straight under wine (nothing they write reaches
# the template). Wine's background processes start with the first program of a prefix and
# keep its output open; started here, they hold no test's output, so CTest does not wait.
wine_suite() {
  local bits=$1 build=$2; shift 2
  eval "$(SW_ARCH=$bits $platform env)" || fail_run "no $bits-bit Wine environment"
  $platform template >/dev/null || fail_run "no $bits-bit template prefix"
  rm -rf "$WINEPREFIX" && cp -a "$SW_TEMPLATE_PREFIX" "$WINEPREFIX" || fail_run "could not copy the template"
  wineserver -p </dev/null >/dev/null 2>&1 || fail_run "the $bits-bit wineserver did not start"
  wine cmd /c exit </dev/null >/dev/null 2>&1 || fail_run "the $bits-bit wine did not start a program"
  run_ctest retry "$build" -j 2 "$@"
  wineserver -k 2>/dev/null || true
}

stage "display"
eval "$($platform display)" || fail_run "no virtual display"
trap 'kill "$SW_XVFB_PID" 2>/dev/null || true' EXIT
echo "Xvfb on $DISPLAY"
stage_done

# The 64-bit suite runs first: where 32-bit Wine cannot run, the same suite's size is the
# count of the 32-bit tests skipped.
wine_tests=""
for bits in 64 32; do
  toolchain=cmake/toolchain-$([ "$bits" = 32 ] && echo i686 || echo x86_64)-mingw.cmake
  build=build/cross$bits
  stage "$bits-bit build"
  cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release >/dev/null &&
    cmake --build "$build" -j "$jobs" || fail_run "the $bits-bit build failed"
  stage_done
  if runs "$bits"; then
    stage "$bits-bit Wine suite"
    wine_suite "$bits" "$build" "$@"
    wine_tests=$(ctest --test-dir "$build" -N -LE static "$@" | sed -n 's/^Total Tests: //p')
  else
    stage "$bits-bit static checks (this machine cannot run its Wine)"
    SW_NO_WINE=1 run_ctest once "$build" -L static "$@"
    # Its test programs list no cases without Wine: the 64-bit suite is the same suite, but
    # for the 32-bit program's own run on a 64-bit Windows (label wow64).
    wow64=$(SW_NO_WINE=1 ctest --test-dir "$build" -N -L wow64 "$@" | sed -n 's/^Total Tests: //p')
    count=$(( ${wine_tests:-0} + ${wow64:-0} ))
    skipped=$((skipped + ${count:-0}))
    skip_reasons+=("${count:-0} $bits-bit Wine tests, because $(reason "$bits")")
  fi
  stage_done
done

echo
if [ ${#retried[@]} -gt 0 ]; then echo "passed only on their second run: ${retried[*]}"; fi
for why in "${skip_reasons[@]}"; do echo "skipped: $why"; done
echo "total time $SECONDS s"
if [ $skipped -gt 0 ]; then
  echo "$passed passed, $failed failed, $skipped skipped (${skip_reasons[*]})"
else
  echo "$passed passed, $failed failed"
fi
[ $failed -eq 0 ]

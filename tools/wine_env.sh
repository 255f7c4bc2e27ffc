# The Wine test platform, for one architecture: its loader and server, a private Xvfb
# display and a template prefix. Sourced by run_tests.sh and run_sandbox.sh (and by
# tests/lib/swtest.py when a test is run by hand).
#   SW_ARCH=32|64   which Windows programs run: i686 ones under 32-bit Wine in a 32-bit
#                   prefix, x86_64 ones under 64-bit Wine in a 64-bit prefix (default 32)
# Expects $root, the repository, and falls back to this file's parent folder.
root=${root:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
export SW_ARCH=${SW_ARCH:-32}
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko installer, and no menu entries or file associations written to the host.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export SW_WORK=${SW_WORK:-$root/build/wine$SW_ARCH}
export SW_TEMPLATE_PREFIX=$SW_WORK/template
mkdir -p "$SW_WORK"

# The loader and server of an architecture. Debian's /usr/bin/wine picks the 32-bit loader
# whenever it is installed, runnable or not, and /usr/bin/wineserver the 64-bit server.
sw_wine_loader() { if [ "$1" = 64 ]; then echo /usr/lib/wine/wine64; else echo /usr/lib/wine/wine; fi; }
sw_wine_server() { if [ "$1" = 64 ]; then echo /usr/lib/wine/wineserver64; else echo /usr/lib/wine/wineserver32; fi; }

# Can this machine run the architecture's Wine? Starts the loader itself: files on disk say
# nothing (wine32 installs fine where the kernel runs no 32-bit code). Prints the reason.
sw_arch_runs() {
  local loader out status
  loader=$(sw_wine_loader "$1")
  if [ ! -x "$loader" ]; then echo "$loader is not installed"; return 1; fi
  out=$("$loader" --version 2>&1) && status=0 || status=$?
  if [ $status -eq 0 ]; then echo "${out%%$'\n'*}"; return 0; fi
  if [ $status -eq 126 ]; then
    echo "the kernel does not run $1-bit programs ($loader: Exec format error)"
  else
    echo "$loader --version failed with status $status: ${out%%$'\n'*}"
  fi
  return 1
}

# Every script and test calls plain `wine` and `wineserver`; these two in front of PATH make
# them the architecture's own.
SW_WINE_BIN=$SW_WORK/bin
mkdir -p "$SW_WINE_BIN"
printf '#!/bin/sh\nexport WINELOADER=%s WINESERVER=%s\nexec %s "$@"\n' \
  "$(sw_wine_loader "$SW_ARCH")" "$(sw_wine_server "$SW_ARCH")" "$(sw_wine_loader "$SW_ARCH")" \
  >"$SW_WINE_BIN/wine"
printf '#!/bin/sh\nexec %s "$@"\n' "$(sw_wine_server "$SW_ARCH")" >"$SW_WINE_BIN/wineserver"
chmod +x "$SW_WINE_BIN/wine" "$SW_WINE_BIN/wineserver"
case ":$PATH:" in *":$SW_WINE_BIN:"*) ;; *) export PATH=$SW_WINE_BIN:$PATH ;; esac
export WINESERVER=$(sw_wine_server "$SW_ARCH")
if [ "$SW_ARCH" = 64 ]; then export WINEARCH=win64; else export WINEARCH=win32; fi

# A private Xvfb display, unless a working one is given. Xvfb picks a free number itself.
sw_start_display() {
  if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then return 0; fi
  local fifo number
  fifo=$(mktemp -u "$SW_WORK/xvfb-XXXXXX")
  mkfifo "$fifo"
  Xvfb -displayfd 9 -screen 0 1024x768x24 -nolisten tcp 9>"$fifo" >/dev/null 2>&1 &
  SW_XVFB_PID=$!
  number=$(timeout 15 head -n1 "$fifo" || true)
  rm -f "$fifo"
  if [ -z "$number" ]; then
    echo "could not start Xvfb (is the xvfb package installed?)" >&2
    kill "$SW_XVFB_PID" 2>/dev/null || true
    return 1
  fi
  export DISPLAY=:$number
}

sw_stop_display() {
  if [ -n "${SW_XVFB_PID:-}" ]; then kill "$SW_XVFB_PID" 2>/dev/null || true; fi
}

# Wine links the user's Documents, Desktop, Downloads and the like to the host's home
# folder; a scan of C: would walk into the host through them. Each becomes a real, empty
# folder of the prefix.
sw_unlink_host_folders() {
  local link
  find "$1/drive_c" -type l -print0 | while IFS= read -r -d '' link; do
    rm -f "$link"
    mkdir -p "$link"
  done
}

# Runs one step of making a prefix; on failure prints the step, its status and its output's
# end, and fails.
sw_prefix_step() {
  local log=$SW_WORK/template-step.log
  if "$@" >"$log" 2>&1; then return 0; fi
  local status=$?
  echo "making the $SW_ARCH-bit template prefix failed: '$*' ended with status $status:" >&2
  tail -n 5 "$log" >&2
  return 1
}

# Bumped whenever the template's content changes, so that older templates are rebuilt.
SW_TEMPLATE_MARK=.sw-ready-6

# The template: a fresh prefix whose only drive is its own C: (the host's root is not
# mapped). No window manager runs on the test displays, so Wine is told to manage no window
# and to draw every frame and caption itself: otherwise a captioned window shows no frame,
# and hiding it waits 2 s for a window manager that never answers. It is built
# beside its final place and moved there, under a lock, so that parallel test runs never
# see half a prefix.
sw_make_template_prefix() {
  local t=$SW_TEMPLATE_PREFIX
  (
    set -e
    flock 9
    if [ -f "$t/$SW_TEMPLATE_MARK" ]; then exit 0; fi
    rm -rf "$t.new"
    export WINEPREFIX=$t.new
    sw_prefix_step wine wineboot -i
    sw_prefix_step wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f
    sw_prefix_step wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f
    sw_prefix_step wineserver -w
    rm -f "$t.new/dosdevices/z:"
    sw_unlink_host_folders "$t.new"
    touch "$t.new/$SW_TEMPLATE_MARK"
    rm -rf "$t"
    mv "$t.new" "$t"
  ) 9>"$SW_WORK/template.lock" || return 1
  export WINEPREFIX=$t
}

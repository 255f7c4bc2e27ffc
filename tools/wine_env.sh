# Shared shell set-up for Wine runs: a private Xvfb display and a template prefix.
# Sourced by run_tests.sh (and by tests/lib/swtest.py to build the template when a test is
# run by hand); expects $root, the repository, and falls back to this file's parent folder.
root=${root:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko installer, and no menu entries or file associations written to the host.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export SW_WORK=${SW_WORK:-$root/build/wine}
export SW_TEMPLATE_PREFIX=$SW_WORK/template
mkdir -p "$SW_WORK"

sw_start_display() {
  if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then return; fi
  local n
  for n in $(seq 90 140); do
    [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ] && continue
    Xvfb :$n -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    SW_XVFB_PID=$!
    export DISPLAY=:$n
    for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && return; sleep 0.1; done
    kill $SW_XVFB_PID 2>/dev/null || true
  done
  echo "could not start Xvfb" >&2; return 1
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

# Bumped whenever the template's content changes, so that older templates are rebuilt.
SW_TEMPLATE_MARK=.sw-ready-5

# The template: a fresh prefix whose only drive is its own C: (the host's root is not
# mapped). No window manager runs on the test displays, so Wine is told to manage no window
# and to draw every frame and caption itself: otherwise a captioned window shows no frame,
# and hiding it waits 2 s for a window manager that never answers. It is built
# beside its final place and moved there, under a lock, so that parallel test runs never
# see half a prefix.
sw_make_template_prefix() {
  local t=$SW_TEMPLATE_PREFIX
  (
    flock 9
    if [ -f "$t/$SW_TEMPLATE_MARK" ]; then exit 0; fi
    rm -rf "$t.new"
    WINEPREFIX=$t.new wineboot -i >/dev/null 2>&1
    WINEPREFIX=$t.new wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
    WINEPREFIX=$t.new wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f >/dev/null 2>&1
    WINEPREFIX=$t.new wineserver -w
    rm -f "$t.new/dosdevices/z:"
    sw_unlink_host_folders "$t.new"
    touch "$t.new/$SW_TEMPLATE_MARK"
    rm -rf "$t"
    mv "$t.new" "$t"
  ) 9>"$SW_WORK/template.lock"
  export WINEPREFIX=$t
}

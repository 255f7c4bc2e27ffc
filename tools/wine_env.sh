# Shared shell set-up for Wine runs: a private Xvfb display and a template prefix.
# Sourced by run_tests.sh and run_sandbox.sh.
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml="
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

# The template: a fresh prefix whose only drive is its own C: (the host's root is not mapped).
sw_make_template_prefix() {
  if [ -f "$SW_TEMPLATE_PREFIX/.sw-ready" ]; then export WINEPREFIX=$SW_TEMPLATE_PREFIX; return; fi
  rm -rf "$SW_TEMPLATE_PREFIX"
  WINEPREFIX=$SW_TEMPLATE_PREFIX wineboot -i >/dev/null 2>&1
  WINEPREFIX=$SW_TEMPLATE_PREFIX wineserver -w
  rm -f "$SW_TEMPLATE_PREFIX/dosdevices/z:"
  touch "$SW_TEMPLATE_PREFIX/.sw-ready"
  export WINEPREFIX=$SW_TEMPLATE_PREFIX
}

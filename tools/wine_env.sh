# The Wine test platform for the shell scripts: the architecture's variables, a private Xvfb
# display and the template prefix, all from tests/lib/swtest.py (the one place that knows
# them). SW_ARCH=32|64 picks the architecture; unset, 32 where the machine runs it, else 64.
# Expects $root, the repository, and falls back to this file's parent folder.
root=${root:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
SW_PLATFORM="/usr/bin/python3 $root/tests/lib/swtest.py"
eval "$($SW_PLATFORM env)"

sw_start_display() {
  if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then return 0; fi
  local exports
  exports=$($SW_PLATFORM display) || return 1
  eval "$exports"
}

sw_stop_display() {
  if [ -n "${SW_XVFB_PID:-}" ]; then kill "$SW_XVFB_PID" 2>/dev/null || true; fi
}

sw_make_template_prefix() {
  local template
  template=$($SW_PLATFORM template) || return 1
  export WINEPREFIX=$template
}

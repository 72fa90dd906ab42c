# Sourced by the end-to-end tests: a private X server for the test's lifetime,
# and cleanup of every process the test started (and only those).
set -euo pipefail

STARTED_PIDS=()
cleanup_started() {
  local pid
  for pid in "${STARTED_PIDS[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${STARTED_PIDS[@]}"; do wait "$pid" 2>/dev/null || true; done
  [ -z "${PRIVATE_RUNTIME_DIR:-}" ] || rm -rf "$PRIVATE_RUNTIME_DIR"
}
trap cleanup_started EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }

# Starts Xvfb on a free display; sets DISPLAY, SCREEN_W, SCREEN_H.
start_xvfb() {
  SCREEN_W=${1:-1024}
  SCREEN_H=${2:-768}
  local fifo
  fifo=$(mktemp -u)
  mkfifo "$fifo"
  # -noreset: otherwise the server resets whenever its last client leaves
  # and drops any client that connects meanwhile ("could not connect").
  Xvfb -displayfd 3 -screen 0 "${SCREEN_W}x${SCREEN_H}x24" -nolisten tcp -noreset 3>"$fifo" 2>/dev/null &
  STARTED_PIDS+=($!)
  local display
  read -r -t 20 display <"$fifo" || fail "Xvfb did not start"
  rm -f "$fifo"
  export DISPLAY=":$display"
  for _ in $(seq 100); do
    xdpyinfo >/dev/null 2>&1 && break
    sleep 0.1
  done
  unset WAYLAND_DISPLAY QT_QPA_PLATFORM
  PRIVATE_RUNTIME_DIR=$(mktemp -d)
  export XDG_RUNTIME_DIR=$PRIVATE_RUNTIME_DIR
}

# The accessibility bus on the test's own session bus (dbus-run-session), for the Qt
# programs started from now on, which must not ask before it owns its name.
start_accessibility_bus() {
  /usr/libexec/at-spi-bus-launcher --launch-immediately &
  STARTED_PIDS+=($!)
  gdbus wait --session --timeout 10 org.a11y.Bus || fail "no accessibility bus"
  export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
}

# Starts openbox (its pid in WM_PID) and waits until it manages window $1,
# which it marks by giving it a state of its own.
manage_with_openbox() {
  openbox --sm-disable >/dev/null 2>&1 &
  WM_PID=$!
  STARTED_PIDS+=("$WM_PID")
  for _ in $(seq 100); do
    xprop -id "$1" WM_STATE | grep -q 'Normal' && return 0
    sleep 0.1
  done
  fail "openbox did not manage window $1"
}

# Waits for a visible top-level window named exactly $1; prints its id.
wait_for_window() {
  local id
  id=$(timeout 20 xdotool search --sync --onlyvisible --name "^$1\$" | head -n 1) || fail "no window '$1'"
  echo "$id"
}

# Prints one field of xwininfo, e.g. "Width".
window_info() { xwininfo -id "$1" | sed -n "s/^ *$2: *//p"; }

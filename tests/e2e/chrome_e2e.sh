#!/usr/bin/env bash
# Dragging, minimising and closing the real program's window with a real
# pointer, as a user would.
# Usage: chrome_e2e.sh TALVANE
source "$(dirname "$0")/xvfb_session.sh"
talvane=$1
start_xvfb 1024 768

"$talvane" &
pid=$!
STARTED_PIDS+=("$pid")
win=$(wait_for_window Talvane)
sleep 0.3

position() { echo "$(window_info "$win" 'Absolute upper-left X'),$(window_info "$win" 'Absolute upper-left Y')"; }
expect_position() { [ "$(position)" = "$1" ] || fail "$2: window at $(position), expected $1"; }

# Presses at window point ($2,$3) with button $1, moves through the screen
# points given after it, and releases there.
drag() {
  local button=$1 x=$2 y=$3
  shift 3
  local wx wy
  IFS=, read -r wx wy <<<"$(position)"
  xdotool mousemove $((wx + x)) $((wy + y)) mousedown "$button"
  while [ $# -gt 0 ]; do
    xdotool mousemove "$1" "$2"
    sleep 0.05
    shift 2
  done
  xdotool mouseup "$button"
  sleep 0.2
}

start=$(position)
IFS=, read -r x0 y0 <<<"$start"
[ "$start" = "$(((SCREEN_W - 325) / 2)),$(((SCREEN_H - 495) / 2))" ] || fail "not centred at start: $start"

# From the bare skin at (20,450): the window keeps the offset under the cursor.
drag 1 20 450 $((x0 + 20 + 40)) $((y0 + 450 - 30)) $((x0 + 20 + 131)) $((y0 + 450 + 64))
expect_position "$((x0 + 131)),$((y0 + 64))" "left drag"
IFS=, read -r x1 y1 <<<"$(position)"

# Far outside the window: the capture keeps the moves coming.
drag 1 300 60 $((x1 + 300 - 200)) $((y1 + 60 + 10)) 5 5
expect_position "$((5 - 300)),$((5 - 60))" "drag leaving the window"
drag 1 300 60 $((x0 + 300)) $((y0 + 60))
expect_position "$start" "drag back"

drag 3 20 450 $((x0 + 120)) $((y0 + 500))
expect_position "$start" "right drag"
for point in "150 200" "268 20" "300 20" "160 448"; do  # List1, Image1, Image2, Image3
  # shellcheck disable=SC2086
  drag 1 $point $((x0 + 5)) $((y0 + 5)) $((x0 + 600)) $((y0 + 300))
  expect_position "$start" "drag starting on a control at $point"
done
xdotool mousemove $((x0 + 160)) $((y0 + 448)) click 1
sleep 0.2
expect_position "$start" "click on Image3"
kill -0 "$pid" || fail "the program ended"

# A window manager shows minimising as the iconic state.
manage_with_openbox "$win"
xdotool mousemove $((x0 + 268)) $((y0 + 20)) click 1
for _ in $(seq 30); do
  xprop -id "$win" WM_STATE | grep -q 'Iconic' && break
  sleep 0.1
done
xprop -id "$win" WM_STATE | grep -q 'Iconic' || fail "Image1 did not minimise: $(xprop -id "$win" WM_STATE)"
xdotool windowactivate --sync "$win"
xprop -id "$win" WM_STATE | grep -q 'Normal' || fail "not restored: $(xprop -id "$win" WM_STATE)"
expect_position "$start" "restored"

# Image2 ends the program at once, with status 0.
xdotool mousemove $((x0 + 300)) $((y0 + 20)) click 1
status=0
timeout 5 tail --pid="$pid" -f /dev/null || fail "Image2 did not end the program"
wait "$pid" || status=$?
[ "$status" = 0 ] || fail "exit status $status"
echo "chrome_e2e: all checks passed"

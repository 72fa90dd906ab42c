#!/usr/bin/env bash
# Every way a preview can end, tried on the real program: a termination
# signal, a crash, the display going away, SIGKILL followed by a new start,
# and two instances with their messages open at once. Each time the setting
# must end exactly as it began, with nothing of the program left in /etc.
# Usage: trials_e2e.sh TALVANE LIST_INK [TRIALS]
source "$(dirname "$0")/private_etc.sh"
source "$(dirname "$0")/xvfb_session.sh"
source "$(dirname "$0")/talvane_driver.sh"
talvane=$1 list_ink=$2 trials=${3:-20}

original_setting() {
  rm -f /etc/localtime
  ln -s /usr/share/zoneinfo/America/New_York /etc/localtime
  setting_state
}

start_xvfb 1024 768
echo "trials on $DISPLAY"
start_talvane
line_y=$(line_middle 3)
echo "third line at y=$line_y"
kill "$TALVANE_PID"
wait "$TALVANE_PID" 2>/dev/null || true

# Opens a preview in a new instance; checks the setting changed.
previewing_instance() {
  start_talvane
  open_preview "$TALVANE_WIN" "$line_y" "$TALVANE_PID" >/dev/null
  [ "$(setting_state)" != "$1" ] || fail "the preview did not change the setting"
}

expect_restored() {
  [ "$(setting_state)" = "$1" ] || fail "$2: setting $(setting_state), expected $1"
  [ -z "$(leftovers)" ] || fail "$2: left in /etc: $(leftovers)"
}

for signal in TERM INT HUP QUIT SEGV ABRT BUS FPE; do
  for i in $(seq "$trials"); do
    before=$(original_setting)
    previewing_instance "$before"
    kill -s "$signal" "$TALVANE_PID"
    wait "$TALVANE_PID" 2>/dev/null || true
    expect_restored "$before" "SIG$signal trial $i"
  done
  echo "SIG$signal: $trials previews ended, setting restored every time"
done

for i in $(seq "$trials"); do
  before=$(original_setting)
  previewing_instance "$before"
  kill "${STARTED_PIDS[0]}"  # the X server
  wait "${STARTED_PIDS[0]}" 2>/dev/null || true
  wait "$TALVANE_PID" 2>/dev/null || true
  expect_restored "$before" "display loss trial $i"
  STARTED_PIDS=()
  start_xvfb 1024 768
done
echo "display loss: $trials previews ended, setting restored every time"

for i in $(seq "$trials"); do
  before=$(original_setting)
  previewing_instance "$before"
  kill -s KILL "$TALVANE_PID"
  wait "$TALVANE_PID" 2>/dev/null || true
  [ "$(setting_state)" != "$before" ] || fail "SIGKILL trial $i: nothing left to recover"
  start_talvane  # puts the setting back before it lists anything
  expect_restored "$before" "SIGKILL trial $i, after the next start"
  kill "$TALVANE_PID"
  wait "$TALVANE_PID" 2>/dev/null || true
done
echo "SIGKILL: $trials previews killed, the next start restored the setting every time"

# Two instances; the second's double-click comes while the first's message is
# open. Close the two messages in both orders.
for order in first-closes-first second-closes-first; do
  before=$(original_setting)
  start_talvane
  a_pid=$TALVANE_PID a_win=$TALVANE_WIN
  start_talvane
  b_pid=$TALVANE_PID b_win=$TALVANE_WIN
  xdotool windowmove "$b_win" 0 0
  a_box=$(open_preview "$a_win" "$line_y" "$a_pid")
  during=$(setting_state)
  [ "$during" != "$before" ] || fail "$order: the first preview changed nothing"
  b_box=$(open_preview "$b_win" "$line_y" "$b_pid")
  [ "$(setting_state)" = "$during" ] || fail "$order: the second instance changed the setting"
  if [ "$order" = first-closes-first ]; then
    dismiss "$a_box"
    dismiss "$b_box"
  else
    dismiss "$b_box"
    [ "$(setting_state)" = "$during" ] || fail "$order: the second's OK changed the setting"
    dismiss "$a_box"
  fi
  expect_restored "$before" "two instances, $order"
  # And now the second instance previews on its own.
  b_box=$(open_preview "$b_win" "$line_y" "$b_pid")
  [ "$(setting_state)" != "$before" ] || fail "$order: the second could not preview afterwards"
  dismiss "$b_box"
  expect_restored "$before" "two instances, $order, second alone"
  kill "$a_pid" "$b_pid"
  wait "$a_pid" "$b_pid" 2>/dev/null || true
  echo "two instances ($order): setting restored"
done
echo "trials_e2e: all checks passed"

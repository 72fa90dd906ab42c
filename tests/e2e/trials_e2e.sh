#!/usr/bin/env bash
# Every way a preview can end, tried on the real program: each kind of
# signal that ends a process, the display going away, SIGKILL followed by a
# new start (also after someone else has changed the setting meanwhile), a
# restore that fails while /etc is read-only, and two instances with their
# messages open at once. Each time the setting must end exactly as it began,
# or as the other party left it, with nothing of the program left in /etc.
# Usage: trials_e2e.sh TALVANE LIST_INK [TRIALS]
source "$(dirname "$0")/private_etc.sh"
source "$(dirname "$0")/xvfb_session.sh"
source "$(dirname "$0")/talvane_driver.sh"
talvane=$1 list_ink=$2 trials=${3:-20}

original_setting() {
  rm -f /etc/localtime
  ln -s /usr/share/zoneinfo/America/New_York /etc/localtime
  echo America/New_York >/etc/timezone
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

# Those handled from the start, then one of each other kind: user, timer,
# I/O, resource limit, the debugger's trap, a bad system call, real-time.
for signal in TERM INT HUP QUIT SEGV ABRT BUS FPE USR1 ALRM PIPE XCPU TRAP SYS RTMIN; do
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

# Killed, then someone sets another zone before the next start: theirs stays.
for i in $(seq "$trials"); do
  before=$(original_setting)
  previewing_instance "$before"
  kill -s KILL "$TALVANE_PID"
  wait "$TALVANE_PID" 2>/dev/null || true
  ln -sfn /usr/share/zoneinfo/Europe/Paris /etc/localtime
  echo Europe/Paris >/etc/timezone
  theirs=$(setting_state)
  start_talvane
  expect_restored "$theirs" "SIGKILL trial $i, changed by another before the next start"
  kill "$TALVANE_PID"
  wait "$TALVANE_PID" 2>/dev/null || true
done
echo "SIGKILL then another change: $trials times the other change stayed"

# /etc goes read-only while the message is open: OK cannot restore, which the
# program says; once /etc is writable again, OK on that message restores.
before=$(original_setting)
start_talvane
box=$(open_preview "$TALVANE_WIN" "$line_y" "$TALVANE_PID")
during=$(setting_state)
mount -o remount,ro /etc
dismiss "$box"
failure=$(wait_for_box "$TALVANE_PID" "$box")
[ "$(setting_state)" = "$during" ] || fail "read-only /etc: the setting changed"
kill -0 "$TALVANE_PID" || fail "read-only /etc: the program ended"
mount -o remount,rw /etc
dismiss "$failure"
expect_restored "$before" "read-only /etc, after it is writable again"
kill "$TALVANE_PID"
wait "$TALVANE_PID" 2>/dev/null || true
echo "read-only /etc: the failed restore was said and the next try restored"

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

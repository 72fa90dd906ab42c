#!/usr/bin/env bash
# Every way a preview can end, tried on the real program and its keeper: the
# window killed or its display gone, the keeper ended by a signal, or killed
# and then its recovery mode or the next start run (also after someone else
# has changed the setting meanwhile), a restore that fails while /etc is
# read-only, and two instances with their messages open at once. Each time
# the setting must end exactly as it began, or as the other party left it,
# with nothing of the program left in /etc.
# Usage: trials_e2e.sh TALVANE LIST_INK [TRIALS]
source "$(dirname "$0")/private_etc.sh"
source "$(dirname "$0")/xvfb_session.sh"
source "$(dirname "$0")/talvane_driver.sh"
talvane=$1 list_ink=$2 trials=${3:-20}
keeper=$(dirname "$talvane")/talvane-keeper

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

# Opens a preview in a new instance; checks the setting changed; sets
# KEEPER_PID and BOX.
previewing_instance() {
  start_talvane
  BOX=$(open_preview "$TALVANE_WIN" "$line_y" "$TALVANE_PID")
  [ "$(setting_state)" != "$1" ] || fail "the preview did not change the setting"
  KEEPER_PID=$(pgrep -P "$TALVANE_PID" -x talvane-keeper) || fail "no keeper runs"
}

# Until process $1 has ended (a zombie has).
wait_for_end() {
  for _ in $(seq 1000); do
    [ -e "/proc/$1" ] && ! grep -q '^[0-9]* (.*) Z' "/proc/$1/stat" 2>/dev/null || return 0
    sleep 0.01
  done
  fail "process $1 did not end"
}

expect_restored() {
  [ "$(setting_state)" = "$1" ] || fail "$2: setting $(setting_state), expected $1"
  [ -z "$(leftovers)" ] || fail "$2: left in /etc: $(leftovers)"
}

# Once the window is gone its keeper puts the setting back at once: within
# one second, waiting for nothing but the setting.
expect_restored_within_a_second() {
  local start=$EPOCHREALTIME
  for _ in $(seq 100); do
    [ "$(setting_state)" = "$1" ] && [ -z "$(leftovers)" ] && break
    sleep 0.01
  done
  expect_restored "$1" "$2"
  awk "BEGIN { exit !($EPOCHREALTIME - $start < 1) }" || fail "$2: restored only after a second"
}

for ending in KILL TERM display; do
  for i in $(seq "$trials"); do
    before=$(original_setting)
    previewing_instance "$before"
    if [ "$ending" = display ]; then
      kill "${STARTED_PIDS[0]}"  # the X server
      wait "${STARTED_PIDS[0]}" 2>/dev/null || true
    else
      kill -s "$ending" "$TALVANE_PID"
    fi
    expect_restored_within_a_second "$before" "window ended by $ending, trial $i"
    wait "$TALVANE_PID" 2>/dev/null || true
    if [ "$ending" = display ]; then
      STARTED_PIDS=()
      start_xvfb 1024 768
    fi
  done
  echo "window ended by $ending: $trials previews, setting restored within a second every time"
done

# The keeper's own endings, while the window's message stays open. After
# TERM, INT or HUP it has restored; OK then starts a keeper again, which
# finds nothing to do. After KILL its way back waits on disk for recovery
# mode (as at boot) or the next start of a keeper, which put back only what
# is still as the preview wrote it.
for ending in TERM INT HUP KILL-recover KILL-next-start KILL-changed; do
  for i in $(seq "$trials"); do
    before=$(original_setting)
    previewing_instance "$before"
    kill -s "${ending%%-*}" "$KEEPER_PID"
    wait_for_end "$KEEPER_PID"
    expected=$before
    case $ending in
      KILL-recover)
        # A way back of another id, left by a keeper killed before its
        # journal was written, is never taken for this one's.
        cp /usr/share/zoneinfo/Asia/Tokyo /etc/.localtime.talvane-restore.0123456789abcdef
        "$keeper" --recover || fail "recovery mode failed"
        ;;
      KILL-changed)
        # Theirs stays, and the zone's name follows it.
        ln -sfn /usr/share/zoneinfo/Europe/Paris /etc/localtime
        expected="$(file_state /etc/localtime) file:0:0:644:$(echo Europe/Paris | sha256sum | cut -c1-16)"
        "$keeper" --recover || fail "recovery mode failed"
        ;;
    esac
    [ "$ending" = KILL-next-start ] || expect_restored "$expected" "keeper $ending, trial $i"
    dismiss "$BOX"  # a keeper starts again, and with it the recovery
    expect_restored "$expected" "keeper $ending, trial $i, after OK"
    kill "$TALVANE_PID"
    wait "$TALVANE_PID" 2>/dev/null || true
  done
  echo "keeper ended by $ending: $trials previews, the setting ended as expected every time"
done

# /etc goes read-only while the message is open: OK cannot restore, which the
# program says; once /etc is writable again, OK on that message restores.
before=$(original_setting)
previewing_instance "$before"
during=$(setting_state)
mount -o remount,ro /etc
dismiss "$BOX"
failure=$(wait_for_box "$TALVANE_PID" "$BOX")
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

#!/usr/bin/env bash
# The keeper killed at every step that changes a file, or any one of its
# system calls failing, of a preview's apply and restore and of recovery
# mode: strace kills it at, or fails, the Nth call. Afterwards either the
# setting is exactly as it began with nothing of the program left in /etc,
# or the way back is still on disk, and recovery mode (as at boot) puts the
# setting back exactly. A restore answered OK has put it back already. No
# kill may leave /etc/localtime changed while /etc/timezone is not: the
# zone's name changes before its rules and goes back after them. Then a
# keeper whose window stops taking replies must still end on TERM, and the
# order of its writes is read from a trace: nothing renamed into /etc before
# it is on disk, and the journal removed only once the directory is.
# Usage: crash_points_e2e.sh KEEPER
source "$(dirname "$0")/private_etc.sh"
source "$(dirname "$0")/xvfb_session.sh"  # for fail and the cleanup
source "$(dirname "$0")/talvane_driver.sh"
keeper=$1
client=$(dirname "$0")/keeper_client.py
command -v strace >/dev/null || fail "strace is not installed"
journal=/etc/.localtime.talvane-applied

set_original() {
  rm -f /etc/localtime /etc/timezone
  case $1 in
    link) ln -s /usr/share/zoneinfo/America/New_York /etc/localtime ;;
    file) install -o 1234 -g 5678 -m 640 /usr/share/zoneinfo/Europe/Dublin /etc/localtime ;;
  esac
  echo America/New_York >/etc/timezone
}

is_exact() { [ "$(setting_state)" = "$1" ] && [ -z "$(leftovers)" ]; }

# After a keeper that was killed or failed: the setting as it was, or its way
# back kept; then recovery mode makes it exact, and tidies /etc.
expect_recoverable() {
  [ "$(setting_state)" = "$1" ] || [ -e "$journal" ] ||
    fail "$2: setting $(setting_state), was $1, and no way back: $(leftovers)"
  "$keeper" --recover || fail "$2: recovery mode failed"
  is_exact "$1" || fail "$2: after recovery, setting $(setting_state), was $1; left $(leftovers)"
}

preview="read set:Asia/Tokyo state restore state"
full=$(printf 'hello 0\nread 0\nset 0\nstate %s\nset 0\nstate %s' x x)
points=0
for setting in link file; do
  for calls in symlink,symlinkat link,linkat rename,renameat,renameat2 unlink,unlinkat fsync \
    fchmod write; do
    for n in $(seq 100); do
      set_original "$setting"
      before=$(setting_state)
      before_zone=$(file_state /etc/timezone)
      replies=$(python3 "$client" "$preview" strace -qq -f -o /dev/null \
        -e trace="$calls" -e inject="$calls:signal=KILL:when=$n" "$keeper" 2>/dev/null || true)
      [ "$(echo "$replies" | sed 's/^state .*/state x/')" != "$full" ] || break
      echo "$replies" | grep -qx gone || fail "$setting, $calls #$n: the keeper answered $replies"
      if [ "$(file_state /etc/localtime)" != "$(echo "$before" | cut -d' ' -f1)" ] &&
        [ "$(file_state /etc/timezone)" = "$before_zone" ]; then
        fail "$setting, $calls #$n: /etc/localtime changed without /etc/timezone"
      fi
      expect_recoverable "$before" "$setting, $calls #$n"
      points=$((points + 1))
    done
  done
done
[ "$points" -ge 20 ] || fail "only $points crash points: the keeper was not killed as planned"
echo "crash_points_e2e: killed at $points points, recovery put the setting back every time"

# One preview traced whole, with the files behind each descriptor: how many
# calls there are, from which on the apply runs, and in what order it writes.
trace=$(mktemp)
set_original link
before=$(setting_state)
python3 "$client" "$preview" strace -qq -y -o "$trace" "$keeper" >/dev/null
is_exact "$before" || fail "the traced preview did not restore the setting"
awk -v file="$trace" '
  { line = $0; sub(/^[0-9]+ +/, "", line) }
  line ~ /^fsync\(/ { split(line, f, /[<>]/); synced[f[2]] = NR; if (f[2] == "/etc") dir_synced = NR }
  line ~ /^symlink\(/ { split(line, f, "\""); made[f[4]] = NR }
  line ~ /^rename\(/ {
    split(line, f, "\"")
    if (f[2] ~ /talvane-new/ && !(f[2] in synced) && !(f[2] in made && dir_synced > made[f[2]])) {
      print "renamed to " f[4] " before it was on disk: " line; bad = 1
    }
    if (f[4] == "/etc/localtime" || f[4] == "/etc/timezone") changed = NR
  }
  line ~ /^unlink\("\/etc\/\.localtime\.talvane-applied"/ && dir_synced < changed {
    print "journal removed before /etc was synced: " line; bad = 1
  }
  END { exit bad }' "$trace" || fail "writes out of order (trace $trace)"
echo "crash_points_e2e: every rename into /etc came after its file was synced, the journal's removal after /etc was"

# Each call failing in turn: EIO at any call from the apply's request on,
# ENOSPC at each call that can run out of space.
calls=$(wc -l <"$trace")
apply_starts=$(grep -n '^recvfrom' "$trace" | sed -n 2p | cut -d: -f1)
space_calls=write,fsync,link,linkat,symlink,symlinkat,rename,renameat,renameat2,openat
space_count=$(grep -cE "^(${space_calls//,/|})\(" "$trace")
failures=0
for error in EIO ENOSPC; do
  if [ "$error" = EIO ]; then range=$(seq "$apply_starts" $((calls + 2))) set=all; else
    range=$(seq $((space_count + 2))) set=$space_calls
  fi
  for n in $range; do
    set_original link
    replies=$(python3 "$client" "$preview" strace -qq -o /dev/null \
      -e inject="$set:error=$error:when=$n" "$keeper" 2>/dev/null || true)
    # A restore that said OK had the setting back at that moment.
    if [ "$(echo "$replies" | sed -n 5p)" = "set 0" ] &&
      [ "$(echo "$replies" | sed -n 6p)" != "state $before" ]; then
      fail "$error at call $n: the restore answered OK over $(echo "$replies" | sed -n 6p)"
    fi
    expect_recoverable "$before" "$error at call $n"
    failures=$((failures + 1))
  done
done
echo "crash_points_e2e: $failures failed calls, each left the setting exact or its way back"

# Recovery mode itself killed, or failing, at each of its calls, over a
# preview whose keeper was killed.
set_original link
python3 "$client" "read set:Asia/Tokyo kill" "$keeper" >/dev/null || true
strace -qq -o "$trace" "$keeper" --recover || fail "recovery mode failed"
recover_calls=$(wc -l <"$trace")
# From its lock on: before, it has touched nothing.
recover_starts=$(grep -n 'talvane-lock' "$trace" | head -n1 | cut -d: -f1)
for how in signal=KILL error=EIO; do
  for n in $(seq "$recover_starts" "$recover_calls"); do
    set_original link
    python3 "$client" "read set:Asia/Tokyo kill" "$keeper" >/dev/null || true
    [ -e "$journal" ] || fail "no dead preview to recover"
    if strace -qq -o /dev/null -e inject="all:$how:when=$n" "$keeper" --recover 2>/dev/null; then
      is_exact "$before" || fail "recovery, $how at call $n: succeeded with $(setting_state)"
    fi
    expect_recoverable "$before" "recovery, $how at call $n"
  done
done
echo "crash_points_e2e: recovery mode killed or failing at each of its calls from $recover_starts to $recover_calls, put back the next time"
rm -f "$trace"

# A window that stops taking replies: the keeper waits to send, and still
# ends on TERM within a second, with the setting back.
set_original link
fifo=$(mktemp -u)
mkfifo "$fifo"
python3 "$client" "read set:Asia/Tokyo flood" "$keeper" <"$fifo" >/dev/null &
STARTED_PIDS+=($!)
client_pid=$!
exec 3>"$fifo"
rm -f "$fifo"
keeper_pid=""
for _ in $(seq 500); do
  keeper_pid=$(pgrep -P "$client_pid" -x talvane-keeper || true)
  # Blocked in the wait to send, whose poll has a timeout of 5 s (0x1388).
  [ -n "$keeper_pid" ] && [ "$(cut -d' ' -f1,4 "/proc/$keeper_pid/syscall" 2>/dev/null)" = "7 0x1388" ] && break
  sleep 0.01
done
[ -n "$keeper_pid" ] && [ "$(cut -d' ' -f1,4 "/proc/$keeper_pid/syscall")" = "7 0x1388" ] ||
  fail "the keeper never waited to send: $(cat "/proc/$keeper_pid/syscall" 2>/dev/null)"
start=$EPOCHREALTIME
kill -TERM "$keeper_pid"
while kill -0 "$keeper_pid" 2>/dev/null && ! grep -qs '^State:.*zombie' "/proc/$keeper_pid/status"; do
  awk "BEGIN { exit !($EPOCHREALTIME - $start < 1) }" || fail "TERM did not end a keeper waiting to send"
  sleep 0.01
done
exec 3>&-
wait "$client_pid" 2>/dev/null || true
is_exact "$before" || fail "TERM while waiting to send: setting $(setting_state), was $before"
echo "crash_points_e2e: a keeper waiting to send ended on TERM, the setting back"

# The holder lets go of the lock between a rival's open of its file and the
# rival's flock (strace holds that flock back): the rival must take the file
# the name now leads to, so that a third keeper is still refused.
set_original link
exec 4> >(python3 "$client" "read hold" "$keeper" >/dev/null)
holder=$!
for _ in $(seq 100); do [ -e /etc/.localtime.talvane-lock ] && break; sleep 0.01; done
rival_out=$(mktemp)
exec 5> >(exec 4>&- && python3 "$client" "read hold" strace -qq -o /dev/null \
  -e inject=flock:delay_enter=1000000:when=2 "$keeper" >"$rival_out")
rival=$!
sleep 0.5  # the rival waits in its second flock, its read's
exec 4>&-
wait "$holder" 2>/dev/null || true
for _ in $(seq 300); do grep -q '^read' "$rival_out" && break; sleep 0.01; done
[ "$(sed -n 2p "$rival_out")" = "read 0" ] || fail "the rival did not take the lock: $(cat "$rival_out")"
third=$(python3 "$client" "read" "$keeper" 5>&-)
exec 5>&-
wait "$rival" 2>/dev/null || true
rm -f "$rival_out"
[ "$(echo "$third" | sed -n 2p)" = "read 1" ] || fail "two keepers held the lock at once"
is_exact "$before" || fail "after the lock's race: setting $(setting_state), was $before"
echo "crash_points_e2e: a keeper let go of the lock under a rival's open; a third was still refused"

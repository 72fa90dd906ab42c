#!/usr/bin/env bash
# The keeper killed at every step that changes a file, or any one of its
# system calls failing, in a preview and in recovery mode (strace kills it
# at, or fails, its Nth call). Then either the setting is as it began, or its
# way back is on disk and recovery mode (as at boot) makes it exact with
# nothing of the program left in /etc. The zone's name never changes
# without its rules. Then: the order
# of the writes in a trace, a keeper that its window stops reading, and the
# lock let go under a rival's open.
# Usage: crash_points_e2e.sh KEEPER
source "$(dirname "$0")/private_etc.sh"
source "$(dirname "$0")/xvfb_session.sh"  # for fail and the cleanup
source "$(dirname "$0")/talvane_driver.sh"
keeper=$1
client=$(dirname "$0")/keeper_client.py
command -v strace >/dev/null || fail "strace is not installed"
# LeakSanitizer cannot work under strace's ptrace, and would fail every run.
export ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0
preview="read set:Asia/Tokyo restore"

set_original() {
  rm -f /etc/localtime /etc/timezone
  case $1 in
    link) ln -s /usr/share/zoneinfo/America/New_York /etc/localtime ;;
    file) install -o 1234 -g 5678 -m 640 /usr/share/zoneinfo/Europe/Dublin /etc/localtime ;;
  esac
  echo America/New_York >/etc/timezone
  before=$(setting_state)
}

is_exact() { [ "$(setting_state)" = "$before" ] && [ -z "$(leftovers)" ]; }

# The preview with strace's options $2...; $1 names the case.
faulted_preview() {
  local what=$1 localtime
  localtime=$(file_state /etc/localtime)
  shift
  replies=$(python3 "$client" "$preview" strace -qq -o /dev/null "$@" "$keeper" 2>/dev/null || true)
  [ "$(file_state /etc/localtime)" = "$localtime" ] || [ "$(file_state /etc/timezone)" != "${before#* }" ] ||
    fail "$what: /etc/localtime changed without /etc/timezone"
  expect_recoverable "$what"
}

# Each system call of trace $1 from line $2 on, as strace counts them, each
# kind apart: NAME:N for the Nth call of NAME.
calls_from() { awk -F'(' -v from="$2" '/^[a-z0-9_]+\(/ { n[$1]++; if (NR >= from) print $1 ":" n[$1] }' "$1"; }

expect_recoverable() {
  [ "$(setting_state)" = "$before" ] || [ -e /etc/.localtime.talvane-applied ] ||
    fail "$1: setting $(setting_state), was $before, and no way back: $(leftovers)"
  "$keeper" --recover || fail "$1: recovery mode failed"
  is_exact || fail "$1: after recovery, setting $(setting_state), was $before; left $(leftovers)"
}

full=$(printf 'hello 0\nread 0\nset 0\nset 0')
points=0
for setting in link file; do
  for calls in symlink,symlinkat link,linkat rename,renameat,renameat2 unlink,unlinkat fsync \
    fchmod write; do
    for n in $(seq 100); do
      set_original "$setting"
      faulted_preview "$setting, $calls #$n" -e trace="$calls" -e inject="$calls:signal=KILL:when=$n"
      [ "$replies" != "$full" ] || break
      points=$((points + 1))
    done
  done
done
[ "$points" -ge 20 ] || fail "only $points crash points: the keeper was not killed as planned"
echo "crash_points_e2e: killed at $points points, recovery put the setting back every time"

# One preview traced whole, with the files behind each descriptor: nothing
# renamed into /etc before it is on disk (a file synced, a link's directory
# synced after it was made), and the journal removed only once /etc is synced.
trace=$(mktemp)
set_original link
python3 "$client" "$preview" strace -qq -y -o "$trace" "$keeper" >/dev/null
is_exact || fail "the traced preview did not restore the setting"
awk '
  /^fsync\(/ { split($0, f, /[<>]/); synced[f[2]] = NR; if (f[2] == "/etc") dir_synced = NR }
  /^symlink\(/ { split($0, f, "\""); made[f[4]] = NR }
  /^rename\(/ {
    split($0, f, "\"")
    if (f[2] ~ /talvane-new/ && !(f[2] in synced) && !(f[2] in made && dir_synced > made[f[2]])) bad = bad "\n" $0
    if (f[4] ~ /^\/etc\/(localtime|timezone)$/) changed = NR
  }
  /^unlink\("\/etc\/\.localtime\.talvane-applied"/ && dir_synced < changed { bad = bad "\n" $0 }
  END { if (bad) print "out of order:" bad; exit bad != "" }' "$trace" || fail "the writes' order"

# Each call failing, from the set's request on: the apply, the restore and
# the roll-back at the end.
for call in $(calls_from "$trace" "$(grep -n '^recvfrom' "$trace" | sed -n 2p | cut -d: -f1)"); do
  set_original link
  faulted_preview "EIO at $call" -e inject="${call%:*}:error=EIO:when=${call#*:}"
done
echo "crash_points_e2e: writes in order; EIO at each call of a preview from the set on left it recoverable"

# Recovery mode killed, or failing, at each call from its lock on, over a
# preview whose keeper was killed.
set_original link
python3 "$client" "read set:Asia/Tokyo kill" "$keeper" >/dev/null || true
strace -qq -o "$trace" "$keeper" --recover || fail "recovery mode failed"
for how in signal=KILL error=EIO; do
  for call in $(calls_from "$trace" "$(grep -n talvane-lock "$trace" | head -n1 | cut -d: -f1)"); do
    set_original link
    python3 "$client" "read set:Asia/Tokyo kill" "$keeper" >/dev/null || true
    if strace -qq -o /dev/null -e inject="${call%:*}:$how:when=${call#*:}" "$keeper" --recover 2>/dev/null; then
      [ "$(setting_state)" = "$before" ] || fail "recovery, $how at $call: succeeded with $(setting_state)"
    fi
    expect_recoverable "recovery, $how at $call"
  done
done
rm -f "$trace"
echo "crash_points_e2e: recovery mode killed or failing at each call, put back the next time"

# A window that stops taking replies: the keeper, waiting to send (a poll of
# 5 s, 0x1388), still ends on TERM within a second, the setting back.
set_original link
exec 3> >(exec python3 "$client" "read set:Asia/Tokyo flood" "$keeper" >/dev/null)
flooder=$!
waiting_to_send() { [ "$(cut -d' ' -f1,4 "/proc/$1/syscall" 2>/dev/null)" = "7 0x1388" ]; }
for _ in $(seq 500); do
  keeper_pid=$(pgrep -P "$flooder" -x talvane-keeper || true)
  [ -n "$keeper_pid" ] && waiting_to_send "$keeper_pid" && break
  sleep 0.01
done
waiting_to_send "$keeper_pid" || fail "the keeper never waited to send"
kill -TERM "$keeper_pid"
sleep 1
[ ! -e "/proc/$keeper_pid" ] || grep -qs '^State:.*zombie' "/proc/$keeper_pid/status" ||
  fail "TERM did not end a keeper waiting to send"
exec 3>&-
wait "$flooder" 2>/dev/null || true
is_exact || fail "TERM while waiting to send: setting $(setting_state), was $before"

# The holder lets go of the lock between a rival's open of its file and the
# rival's flock, which strace holds back: the rival must take the file the
# name now leads to, so that a third keeper is still refused.
exec 4> >(exec python3 "$client" "read hold" "$keeper" >/dev/null)
holder=$!
sleep 0.3
rival_out=$(mktemp)
exec 5> >(exec 4>&- python3 "$client" "read hold" strace -qq -o /dev/null \
  -e inject=flock:delay_enter=1000000:when=2 "$keeper" >"$rival_out")
sleep 0.5  # the rival waits in its read's flock
exec 4>&-
wait "$holder" 2>/dev/null || true
sleep 1
[ "$(sed -n 2p "$rival_out")" = "read 0" ] || fail "the rival did not take the lock: $(cat "$rival_out")"
[ "$(python3 "$client" read "$keeper" 5>&- | sed -n 2p)" = "read 1" ] || fail "two keepers held the lock"
exec 5>&-
rm -f "$rival_out"
is_exact || fail "after the lock's race: setting $(setting_state), was $before"
echo "crash_points_e2e: TERM ended a keeper waiting to send; the lock let go under a rival's open still refused a third"

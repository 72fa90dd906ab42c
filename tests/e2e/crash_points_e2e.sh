#!/usr/bin/env bash
# The keeper killed at every step that changes a file, of a preview's apply
# and of its restore: strace kills it at the Nth call of each kind, N = 1, 2,
# ... until a whole preview runs through. Recovery mode, as at boot, must
# then leave the setting exactly as it began, and nothing of the program in
# /etc. No kill may leave /etc/localtime changed while /etc/timezone is not:
# the zone's name changes before its rules and goes back after them.
# Usage: crash_points_e2e.sh KEEPER
source "$(dirname "$0")/private_etc.sh"
source "$(dirname "$0")/xvfb_session.sh"  # for fail and the cleanup
source "$(dirname "$0")/talvane_driver.sh"
keeper=$1
client=$(dirname "$0")/keeper_client.py
command -v strace >/dev/null || fail "strace is not installed"

set_original() {
  rm -f /etc/localtime /etc/timezone
  case $1 in
    link) ln -s /usr/share/zoneinfo/America/New_York /etc/localtime ;;
    file) install -o 1234 -g 5678 -m 640 /usr/share/zoneinfo/Europe/Dublin /etc/localtime ;;
  esac
  echo America/New_York >/etc/timezone
}

points=0
for setting in link file; do
  for calls in symlink,symlinkat link,linkat rename,renameat,renameat2 unlink,unlinkat fsync \
    fchmod write; do
    for n in $(seq 100); do
      set_original "$setting"
      before=$(setting_state)
      before_zone=$(file_state /etc/timezone)
      replies=$(python3 "$client" "read apply:Asia/Tokyo restore" strace -qq -f -o /dev/null \
        -e trace="$calls" -e inject="$calls:signal=KILL:when=$n" "$keeper" 2>/dev/null || true)
      [ "$replies" != "$(printf 'hello 0\nread 0\napply 0\nrestore 0')" ] || break
      echo "$replies" | grep -qx gone || fail "$setting, $calls #$n: the keeper answered $replies"
      if [ "$(file_state /etc/localtime)" != "$(echo "$before" | cut -d' ' -f1)" ] &&
        [ "$(file_state /etc/timezone)" = "$before_zone" ]; then
        fail "$setting, $calls #$n: /etc/localtime changed without /etc/timezone"
      fi
      "$keeper" --recover || fail "$setting, $calls #$n: recovery mode failed"
      [ "$(setting_state)" = "$before" ] || fail "$setting, $calls #$n: setting $(setting_state), was $before"
      [ -z "$(leftovers)" ] || fail "$setting, $calls #$n: left in /etc: $(leftovers)"
      points=$((points + 1))
    done
  done
done
[ "$points" -ge 20 ] || fail "only $points crash points: the keeper was not killed as planned"
echo "crash_points_e2e: killed at $points points, recovery put the setting back every time"

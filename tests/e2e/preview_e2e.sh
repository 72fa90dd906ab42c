#!/usr/bin/env bash
# A double-click on a zone in the real program, as a user would do it: while
# the message is open the system shows that zone's time; after OK the system
# setting is back exactly as it was, for a linked and for a copied setting.
# Usage: preview_e2e.sh TALVANE LIST_INK SCREENSHOT_DIR
source "$(dirname "$0")/private_etc.sh"
source "$(dirname "$0")/xvfb_session.sh"
source "$(dirname "$0")/talvane_driver.sh"
talvane=$1 list_ink=$2 shots=$3
mkdir -p "$shots"
start_xvfb 1024 768

# The zone on the list's third line, in the order the registry lists zones.
zone=$(sed -n 's/^Z \([^ ]*\) .*/\1/p' /usr/share/zoneinfo/tzdata.zi | LC_ALL=C sort -f | sed -n 3p)
expected=$(TZ=":$zone" date +%Z%z)

preview_once() {
  local kind=$1
  rm -f /etc/localtime
  case $kind in
    link) ln -s /usr/share/zoneinfo/America/New_York /etc/localtime ;;
    file) cp /usr/share/zoneinfo/Australia/Lord_Howe /etc/localtime ;;
  esac
  local before before_date
  before=$(setting_state)
  before_date=$(date +%Z%z)

  start_talvane
  local box during
  box=$(open_preview "$TALVANE_WIN" "$(line_middle 3)" "$TALVANE_PID")
  during=$(date +%Z%z)
  [ "$during" = "$expected" ] || fail "$kind: during the preview of $zone date says $during, not $expected"
  import -window root -crop 1024x768+0+0 "$shots/message-$kind.png"

  dismiss "$box"
  [ "$(setting_state)" = "$before" ] || fail "$kind: setting now $(setting_state), was $before"
  [ "$(date +%Z%z)" = "$before_date" ] || fail "$kind: date says $(date +%Z%z), was $before_date"
  [ -z "$(leftovers)" ] || fail "$kind: left in /etc: $(leftovers)"
  kill "$TALVANE_PID"
  wait "$TALVANE_PID" 2>/dev/null || true
  echo "$kind: $before_date -> $during ($zone) -> $(date +%Z%z)"
}

preview_once link
preview_once file
preview_once none
echo "preview_e2e: all checks passed"

#!/usr/bin/env bash
# A double-click on a zone in the real program, as a user would do it: while
# the message is open the system is in that zone itself, as the system's own
# tools set it, so glibc and Qt show the zone's time and Qt its name; after
# OK both setting files are back exactly as they were.
# Usage: preview_e2e.sh TALVANE LIST_INK SCREENSHOT_DIR SYSTEM_ZONE
source "$(dirname "$0")/private_etc.sh"
source "$(dirname "$0")/xvfb_session.sh"
source "$(dirname "$0")/talvane_driver.sh"
talvane=$1 list_ink=$2 shots=$3 system_zone=$4
mkdir -p "$shots"
start_xvfb 1024 768

zone=$(listed_zone 3)
expected=$(TZ=":$zone" date +%Z%z)
offset=$(TZ=":$zone" date +%z)
offset_seconds=$(( ${offset:0:1}1 * (10#${offset:1:2} * 3600 + 10#${offset:3:2} * 60) ))

preview_once() {
  local kind=$1 zone_file=$2
  rm -f /etc/localtime /etc/timezone
  case $kind in
    link) ln -s /usr/share/zoneinfo/America/New_York /etc/localtime ;;
    relative) ln -s ../usr/share/zoneinfo/America/New_York /etc/localtime ;;
    file) install -o 1234 -g 5678 -m 640 /usr/share/zoneinfo/Australia/Lord_Howe /etc/localtime ;;
  esac
  [ -z "$zone_file" ] || echo "$zone_file" >/etc/timezone
  local before before_date
  before=$(setting_state)
  before_date=$(date +%Z%z)

  start_talvane
  local box during
  box=$(open_preview "$TALVANE_WIN" "$(line_middle 3)" "$TALVANE_PID")
  during=$(date +%Z%z)
  [ "$during" = "$expected" ] || fail "$kind: during the preview of $zone date says $during, not $expected"
  local link=/usr/share/zoneinfo/$zone
  [ "$kind" != relative ] || link=../usr/share/zoneinfo/$zone
  [ "$(readlink /etc/localtime)" = "$link" ] || fail "$kind: /etc/localtime is $(file_state /etc/localtime)"
  if [ -n "$zone_file" ]; then
    [ "$(cat /etc/timezone)" = "$zone" ] || fail "$kind: /etc/timezone says $(cat /etc/timezone)"
  else
    [ ! -e /etc/timezone ] || fail "$kind: /etc/timezone was made"
  fi
  local qt
  qt=$("$system_zone")
  [ "$qt" = "$zone $offset_seconds" ] || fail "$kind: Qt sees $qt, not $zone $offset_seconds"
  import -window root -crop 1024x768+0+0 "$shots/message-$kind.png"

  dismiss "$box"
  [ "$(setting_state)" = "$before" ] || fail "$kind: setting now $(setting_state), was $before"
  [ "$(date +%Z%z)" = "$before_date" ] || fail "$kind: date says $(date +%Z%z), was $before_date"
  [ -z "$(leftovers)" ] || fail "$kind: left in /etc: $(leftovers)"
  kill "$TALVANE_PID"
  wait "$TALVANE_PID" 2>/dev/null || true
  echo "$kind: $before_date -> $during ($zone; Qt: $qt) -> $(date +%Z%z)"
}

preview_once link America/New_York
preview_once relative ""
preview_once file Australia/Lord_Howe
preview_once none ""
echo "preview_e2e: all checks passed"

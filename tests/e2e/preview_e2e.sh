#!/usr/bin/env bash
# A double-click on a zone in the real program, as a user would do it: while
# the message is open the system shows that zone's time; after OK the system
# setting is back exactly as it was, for a linked and for a copied setting.
# Usage: preview_e2e.sh TALVANE LIST_INK SCREENSHOT_DIR
source "$(dirname "$0")/private_etc.sh"
source "$(dirname "$0")/xvfb_session.sh"
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
  local before_link before_sum before_date
  before_link=$(readlink /etc/localtime || true)
  before_sum=$(sha256sum </etc/localtime)
  before_date=$(date +%Z%z)

  "$talvane" &
  local pid=$!
  STARTED_PIDS+=("$pid")
  local win
  win=$(wait_for_window Talvane)
  sleep 0.5
  import -window "$win" "$shots/preview-$kind.png"
  local middles
  middles=$("$list_ink" "$shots/preview-$kind.png" 48 80 225 288 | sed 's/.*middles=//')
  local y
  y=$(echo "$middles" | cut -d, -f3)
  [ -n "$y" ] || fail "no third line in the list ($middles)"

  xdotool mousemove --window "$win" 100 "$y" click --repeat 2 --delay 80 1
  local box
  box=$(wait_for_window 'Talvane v1.0')
  local during
  during=$(date +%Z%z)
  [ "$during" = "$expected" ] || fail "$kind: during the preview of $zone date says $during, not $expected"
  [ ! -L /etc/localtime ] || fail "$kind: the setting is still the old link"
  import -window root -crop 1024x768+0+0 "$shots/message-$kind.png"

  xdotool key Return
  for _ in $(seq 50); do
    xdotool search --onlyvisible --name '^Talvane v1.0$' >/dev/null || break
    sleep 0.1
  done
  xdotool search --onlyvisible --name '^Talvane v1.0$' >/dev/null && fail "$kind: the message stayed open"
  [ "$(readlink /etc/localtime || true)" = "$before_link" ] || fail "$kind: link now $(readlink /etc/localtime)"
  [ "$(sha256sum </etc/localtime)" = "$before_sum" ] || fail "$kind: the setting's bytes changed"
  [ "$(date +%Z%z)" = "$before_date" ] || fail "$kind: date says $(date +%Z%z), was $before_date"
  ls -a /etc | grep -q '^\.localtime\.talvane' && fail "$kind: a temporary file was left in /etc"
  kill "$pid"
  wait "$pid" 2>/dev/null || true
  echo "$kind: $before_date -> $during ($zone) -> $(date +%Z%z)"
}

preview_once link
preview_once file
echo "preview_e2e: all checks passed"

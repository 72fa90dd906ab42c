#!/usr/bin/env bash
# The real program as a screen reader and a keyboard user meet it: names, roles and actions
# over AT-SPI, Close pressed, a zone previewed with Return and announced, OK restoring.
# Usage: dbus-run-session -- accessibility_e2e.sh TALVANE
source "$(dirname "$0")/private_etc.sh"
source "$(dirname "$0")/xvfb_session.sh"
source "$(dirname "$0")/talvane_driver.sh"
talvane=$1
atspi() { /usr/bin/python3 "$(dirname "$0")/atspi.py" "$@"; }
start_xvfb 1024 768
start_accessibility_bus

start_talvane
atspi expect "$TALVANE_PID" "frame|Talvane||" "list|Time zones||" "push button|Minimize||Press" \
  "push button|Close||Press" \
  "filler||Talvane v1.0 made by https://talvane.org. This application works only with Windows XP.|"
atspi press "$TALVANE_PID" Close && timeout 5 tail --pid="$TALVANE_PID" -f /dev/null ||
  fail "pressing Close did not end the program"
wait "$TALVANE_PID" || fail "pressing Close: exit status $?"

ln -sf /usr/share/zoneinfo/America/New_York /etc/localtime
echo America/New_York >/etc/timezone
before=$(setting_state) zone=$(listed_zone 3)
start_talvane
xdotool windowfocus --sync "$TALVANE_WIN" key Home Down Down Return
box=$(wait_for_box "$TALVANE_PID" "$TALVANE_WIN")
[ "$(readlink /etc/localtime)" = "/usr/share/zoneinfo/$zone" ] || fail "Return: setting $(setting_state)"
atspi expect "$TALVANE_PID" "alert|Talvane v1.0|" "label|Time Zone Changed, Click OK to restore|"
dismiss "$box"
[ "$(setting_state)" = "$before" ] || fail "after OK the setting is $(setting_state), was $before"
echo "accessibility_e2e: names and roles read, Close pressed (status 0), $zone previewed with Return"
echo "and announced, OK restored $before; all checks passed"

#!/usr/bin/env bash
# The real Windows executable under Wine, on the X display (with a window
# manager, as on a desktop) that scripts/test-windows.sh prepared, driven
# with xdotool as a user would and watched by e2e_probe.exe from inside the
# same Wine.
# Usage: window_e2e.sh WINE TALVANE_EXE PROBE_EXE, WINE the loader for their processor
set -euo pipefail
WINE=$1
TALVANE=$2
PROBE=$3

if [ -z "${DISPLAY:-}" ] || [ -z "${WINEPREFIX:-}" ] || ! command -v "$WINE" >/dev/null ||
  ! command -v xdotool >/dev/null; then
  echo "SKIP: needs wine, xdotool, DISPLAY and WINEPREFIX (run scripts/test-windows.sh)"
  exit 77
fi

APP_PID=
HOLDER_PID=
cleanup() {
  [ -z "$HOLDER_PID" ] || kill "$HOLDER_PID" 2>/dev/null || true
  if [ -n "$APP_PID" ] && kill -0 "$APP_PID" 2>/dev/null; then
    kill "$APP_PID" 2>/dev/null || true
    wait "$APP_PID" 2>/dev/null || true
  fi
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*" >&2
  exit 1
}
pass() { echo "ok   $*"; }
probe() { "$WINE" "$PROBE" "$@" | tr -d '\r'; }
field() { probe window | sed -n "s/^$1 //p"; }
# Wine takes the pointer's arrival before it takes a click there.
click_at() {
  xdotool mousemove "$1" "$2"
  sleep 0.3
  xdotool mousedown "${3:-1}"
  sleep 0.1
  xdotool mouseup "${3:-1}"
  sleep 0.5
}
double_click_at() {
  xdotool mousemove "$1" "$2"
  sleep 0.3
  xdotool click --repeat 2 --delay 80 1
}
drag() { # button x y dx dy
  local button=$1 x=$2 y=$3 dx=$4 dy=$5 i
  xdotool mousemove "$x" "$y"
  sleep 0.3
  xdotool mousedown "$button"
  sleep 0.2
  for i in 1 2 3 4; do
    xdotool mousemove $((x + dx * i / 4)) $((y + dy * i / 4))
    sleep 0.15
  done
  sleep 0.2
  xdotool mouseup "$button"
  sleep 0.4
}
# "r g b" at a client point; passes when each channel is within its range.
colour_in() { # x y rmin rmax gmin gmax bmin bmax what
  local r g b
  read -r r g b < <(probe pixel "$1" "$2")
  [ "$r" -ge "$3" ] && [ "$r" -le "$4" ] && [ "$g" -ge "$5" ] && [ "$g" -le "$6" ] &&
    [ "$b" -ge "$7" ] && [ "$b" -le "$8" ] || fail "$9: ($1,$2) is $r $g $b"
  pass "$9: ($1,$2) is $r $g $b"
}

tz_before=$(probe tz)

# The log-on run, given the way back (1044 zero bytes) of a preview whose zone
# is no longer in force, and its RunOnce value: while another session
# previews it fails, keeping both; then it drops the way back, leaving the
# setting and the value (Windows drops that), and ends, with no window.
way_back='HKLM\SOFTWARE\Talvane'
run_once='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\RunOnce'
"$WINE" reg add "$way_back" /v PreviewWayBack /t REG_BINARY /d "$(printf '0%.0s' $(seq 2088))" \
  /f /reg:64 >/dev/null
"$WINE" reg add "$run_once" /v '!Talvane' /d "\"$TALVANE\" /recover" /f /reg:64 >/dev/null
exec {holder}< <(exec "$WINE" "$PROBE" holdlock 60)
HOLDER_PID=$!
read -r -t 30 held <&"$holder" && [[ $held == held* ]] || fail "the probe could not take the lock"
status=0
timeout 60 "$WINE" "$TALVANE" /recover || status=$?
[ "$status" -eq 1 ] || fail "with the lock held elsewhere, the log-on run ended with status $status"
"$WINE" reg query "$way_back" /reg:64 >/dev/null 2>&1 &&
  "$WINE" reg query "$run_once" /v '!Talvane' /reg:64 >/dev/null 2>&1 ||
  fail "the log-on run took another's way back, or its own RunOnce value"
kill "$HOLDER_PID" && wait "$HOLDER_PID" 2>/dev/null || true
pass "while another preview holds the lock, the log-on run leaves everything and fails"
timeout 60 "$WINE" "$TALVANE" /recover || fail "the log-on run ended with status $?"
"$WINE" reg query "$way_back" /reg:64 >/dev/null 2>&1 && fail "the log-on run left the way back"
"$WINE" reg query "$run_once" /v '!Talvane' /reg:64 >/dev/null 2>&1 ||
  fail "the log-on run removed its own RunOnce value"
"$WINE" reg delete "$run_once" /v '!Talvane' /f /reg:64 >/dev/null
pass "the log-on run takes a dead preview's way back and ends, with no window"

"$WINE" "$TALVANE" &
APP_PID=$!
for _ in $(seq 1 100); do
  probe window >/dev/null 2>&1 && break
  sleep 0.2
done

# The window: frameless popup of 325 x 495, centred, on the task bar, list focused.
read -r screen_w screen_h < <(field screen)
read -r left top right bottom < <(field rect)
[ "$(field client)" = "325 495" ] || fail "client area is $(field client)"
[ $((right - left))x$((bottom - top)) = 325x495 ] || fail "window is $((right - left))x$((bottom - top))"
pass "window and client area are 325 x 495"
[ "$left" -eq $(((screen_w - 325) / 2)) ] && [ "$top" -eq $(((screen_h - 495) / 2)) ] ||
  fail "window at $left,$top on a ${screen_w}x$screen_h screen is not centred"
pass "centred at $left,$top"
[ "$(probe window | grep '^popup')" = "popup 1 caption 0 thickframe 0 border 0 appwindow 1 toolwindow 0" ] ||
  fail "styles: $(probe window | grep '^popup')"
pass "no frame, no caption, a task-bar window"
[ "$(field title)" = Talvane ] || fail "caption is '$(field title)'"
[ "$(field focus-list)" = 1 ] || fail "the list does not have the focus"
pass "caption Talvane, list focused"
x_id=$(xdotool search --name '^Talvane$' | head -n 1)
[ -n "$x_id" ] || fail "no X window named Talvane"
xwininfo -id "$x_id" | grep -q 'Width: 325' && xwininfo -id "$x_id" | grep -q 'Height: 495' ||
  fail "the X window is not 325 x 495"
pass "the X window is 325 x 495"

# The list: the registry's time-zone keys, in enumeration order.
probe list || fail "the list is not the registry's time zones"
pass "the list holds the registry's time-zone keys in order"

# The skin and the glyphs, drawn unscaled with the skin showing through.
colour_in 5 250 40 120 0 40 0 40 "skin at the left edge"
colour_in 299 19 150 255 0 110 0 110 "close glyph's X"
colour_in 311 31 40 120 0 40 0 40 "skin around the close glyph"
colour_in 268 20 150 255 0 110 0 110 "minimise glyph's bar"
colour_in 268 10 40 120 0 40 0 40 "skin around the minimise glyph"
colour_in 245 300 255 255 255 255 255 255 "list background"

# Somewhere no control is, so that no tooltip shows.
park_pointer() {
  xdotool mousemove $((left + 5)) $((top + 250))
  probe notooltip 5 || fail "a tooltip stays up with the pointer on the bare skin"
}

# The list's font. Its HFONT is the program's own, so the probe draws an
# entry in the font itself and compares the screen with that; without
# Tahoma, Wine substitutes Liberation Sans and the items are 12 pixels high.
park_pointer
font=$(probe listfont Tahoma 11 400) || fail "the list is not drawn in Tahoma 11 px, weight 400: $font"
echo "$font"
grep -q '^installed 1 face Tahoma item-height 13 ' <<<"$font" ||
  fail "the list's items are not 13 pixels high"
pass "the list is drawn in Tahoma 11 px (8.25 pt), weight 400, items 13 pixels high"

# Tooltips: the tools the program registered, then what shows when the
# pointer rests on each control.
list_tip='Double Click on any of the Places in the list to set your system time to the specified location for a temporary time.'
info_tip='Talvane v1.0 made by https://talvane.org. This application works only with Windows XP.'
tools=$(probe tools) || fail "cannot read the program's tooltips"
expected_tools="list: $list_tip
area 256 8 280 32: Minimize
area 288 8 312 32: Close
area 128 416 193 481: $info_tip"
[ "$(sort <<<"$tools")" = "$(sort <<<"$expected_tools")" ] || fail "the tools are:
$tools"
pass "four tools: the list and the three image controls' areas, with their texts"
tooltip_at() { # x y text what
  park_pointer
  xdotool mousemove $((left + $1)) $((top + $2))
  local shown
  shown=$(probe tooltip 5) || fail "no tooltip over $4"
  [ "$shown" = "$3" ] || fail "$4's tooltip is '$shown'"
  pass "$4's tooltip shows '$3'"
}
tooltip_at 160 224 "$list_tip" "the list"
tooltip_at 160 448 "$info_tip" "the information hot spot"
tooltip_at 300 20 Close "the close glyph"
tooltip_at 268 20 Minimize "the minimise glyph"
park_pointer

# The information hot spot does nothing.
click_at $((left + 160)) $((top + 448))
probe nomsgbox || fail "a click on the information hot spot opened a message"
[ "$(field rect)" = "$left $top $right $bottom" ] || fail "a click on the hot spot moved the window"
pass "the information hot spot takes clicks and does nothing"

# A double-click previews the zone. Wine refuses the change, so the message
# is the failure's, and the setting stays as it was.
read -r ex ey < <(probe entry "Tokyo Standard Time")
double_click_at "$ex" "$ey"
box=$(probe msgbox 10) || fail "no message box after the double-click"
echo "$box"
grep -qx 'Static: Error setting new TimeZone Info' <<<"$box" || fail "wrong message"
grep -qx 'owner-is-form 1 form-disabled 1' <<<"$box" || fail "the message is not modal to the window"
grep -qx 'icon: yes' <<<"$box" && fail "the message shows an icon"
[ "$(probe selected)" = "Tokyo Standard Time" ] || fail "the double-click did not select the entry"
[ "$(probe tz)" = "$tz_before" ] || fail "the time-zone setting changed while the message was open"
pass "double-click: 'Error setting new TimeZone Info', modal, no icon, setting unchanged"
read -r ok_x ok_y < <(sed -n 's/^button-centre //p' <<<"$box")
click_at "$ok_x" "$ok_y"
probe nomsgbox || fail "OK did not close the message"
[ "$(probe tz)" = "$tz_before" ] || fail "the time-zone setting changed after OK"
pass "OK closes the message; the setting is as before"

# Dragging by the background with the left button moves the window by the
# cursor's displacement; the right button doesn't.
drag 1 $((left + 5)) $((top + 250)) 40 32
[ "$(field rect)" = "$((left + 40)) $((top + 32)) $((right + 40)) $((bottom + 32))" ] ||
  fail "left drag by 40,32 left the window at $(field rect)"
pass "a left drag moves the window by the cursor's displacement"
read -r left top right bottom < <(field rect)
drag 3 $((left + 5)) $((top + 250)) 50 50
[ "$(field rect)" = "$left $top $right $bottom" ] || fail "a right drag moved the window"
pass "a right drag doesn't move it"
drag 1 $((left + 100)) $((top + 150)) 30 30
[ "$(field rect)" = "$left $top $right $bottom" ] || fail "a drag on the list moved the window"
pass "a drag on the list doesn't move it"

# Minimise, then back from the task bar.
click_at $((left + 268)) $((top + 20))
[ "$(field iconic)" = 1 ] || fail "the minimise button did not minimise"
pass "the minimise button minimises"
probe restore
sleep 0.5
[ "$(field iconic)" = 0 ] || fail "the window did not come back"

# Close: the program ends at once with status 0.
read -r left top right bottom < <(field rect)
click_at $((left + 300)) $((top + 20))
for _ in $(seq 1 50); do
  kill -0 "$APP_PID" 2>/dev/null || break
  sleep 0.1
done
kill -0 "$APP_PID" 2>/dev/null && fail "the close button did not end the program"
status=0
wait "$APP_PID" || status=$?
APP_PID=
[ "$status" -eq 0 ] || fail "the program ended with status $status"
pass "the close button ends the program with status 0"
[ "$(probe tz)" = "$tz_before" ] || fail "the setting differs at the end"
echo "window_e2e: all checks passed"

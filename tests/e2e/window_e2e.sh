#!/usr/bin/env bash
# The real program in a real X server, looked at as a user would see it,
# also at twice the scale; and its command line, with no display at all.
# Usage: window_e2e.sh TALVANE LIST_INK SCREENSHOT_DIR
source "$(dirname "$0")/xvfb_session.sh"
source "$(dirname "$0")/talvane_driver.sh"
talvane=$1 list_ink=$2 shots=$3
mkdir -p "$shots"

# "STATUS|OUT|ERR" of the program run with "$@" and no display.
cli() {
  local status=0 out
  out=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$talvane" "$@" 2>"$shots/err") || status=$?
  echo "$status|$out|$(cat "$shots/err")"
}
[[ $(cli --version) == "0|Talvane 1.0.0.0|" ]] || fail "--version: $(cli --version)"
[[ $(cli --help) == "0|Usage: "*" [options]"$'\n'*"|" ]] || fail "--help: $(cli --help)"
[[ $(cli -platform xcb -h) == "0|Usage: "*" [options]"$'\n'*"|" ]] || fail "-h: $(cli -platform xcb -h)"
for w in --bogus -x elsewhere; do [[ $(cli "$w") == "2||"*$'\nUsage: '* ]] || fail "$w: $(cli "$w")"; done
[[ $(cli) == "1||talvane: cannot open a display (DISPLAY unset, WAYLAND_DISPLAY unset)" ]] || fail "$(cli)"
# A platform plugin found but not loadable (a library it needs is broken) is
# no missing display: Qt's own words say so.
mkdir -p "$shots/broken" && : >"$shots/broken/libQt6XcbQpa.so.6"
[[ $(LD_LIBRARY_PATH=$shots/broken cli) == "1||"*'"xcb" in "" even though it was found.'*"no Qt platform plugin could be initialized."* ]] ||
  fail "broken plugin: $(LD_LIBRARY_PATH=$shots/broken cli)"

[ "$(id -u)" = 0 ] || { echo "SKIP: needs root to compare root with an ordinary user"; exit 77; }

# Room for the window at twice the scale.
start_xvfb 1400 1100

# Root may change the time zone, so it sees every zone.
"$talvane" &
STARTED_PIDS+=($!)
win=$(wait_for_window Talvane)
sleep 0.5  # let the first paint land before the screenshot

[ "$(window_info "$win" Width)" = 325 ] || fail "width $(window_info "$win" Width)"
[ "$(window_info "$win" Height)" = 495 ] || fail "height $(window_info "$win" Height)"
[ "$(window_info "$win" 'Border width')" = 0 ] || fail "has a border"
x=$(window_info "$win" 'Absolute upper-left X')
y=$(window_info "$win" 'Absolute upper-left Y')
[ "$x" = $(((SCREEN_W - 325) / 2)) ] && [ "$y" = $(((SCREEN_H - 495) / 2)) ] || fail "not centred: $x,$y"

xprop -id "$win" WM_NAME | grep -qx 'WM_NAME(STRING) = "Talvane"' || fail "WM_NAME: $(xprop -id "$win" WM_NAME)"
# Motif hints: flags, functions, decorations (0: no frame, no title bar).
motif=$(xprop -id "$win" _MOTIF_WM_HINTS)
[ $(( $(echo "$motif" | sed "s/.*= //" | cut -d, -f3) )) = 0 ] || fail "decorated: $motif"
icons=$(xprop -id "$win" -len 100000000 _NET_WM_ICON | grep -o 'Icon ([0-9]* x [0-9]*)' | sort -u)
for edge in 16 24 32 48 128 256; do
  echo "$icons" | grep -q "($edge x $edge)" || fail "no ${edge}x$edge image in _NET_WM_ICON: $icons"
done

import -window "$win" "$shots/window.png"
read -r lines scrollbar _ < <("$list_ink" "$shots/window.png" 48 80 225 288 | sed 's/[a-z]*=//g')
[ "$lines" -ge 15 ] && [ "$scrollbar" = 1 ] || fail "root's list: $lines lines, scroll bar $scrollbar"
single_edges=$("$list_ink" --edges "$shots/window.png" 10 11 176 27)

# An ordinary user may not change the time zone: one entry and no scroll bar.
home=$(mktemp -d)
chown 65534:65534 "$home"
setpriv --reuid=65534 --regid=65534 --clear-groups \
  env HOME="$home" XDG_RUNTIME_DIR="$home" "$talvane" &
STARTED_PIDS+=($!)
user_win=$(timeout 20 bash -c "until xdotool search --onlyvisible --name '^Talvane\$' | grep -vx '$win'; do sleep 0.1; done" | head -n 1)
[ -n "$user_win" ] || fail "the ordinary user's window did not appear"
sleep 0.5
import -window "$user_win" "$shots/window-ordinary-user.png"
read -r lines scrollbar _ < <("$list_ink" "$shots/window-ordinary-user.png" 48 80 225 288 | sed 's/[a-z]*=//g')
[ "$lines" = 1 ] && [ "$scrollbar" = 0 ] || fail "ordinary user's list: $lines lines, scroll bar $scrollbar"
rm -rf "$home"

# At twice the scale, the same layout and title edges no wider than at 1x.
QT_SCALE_FACTOR=2 start_talvane
[ "$(window_info "$TALVANE_WIN" Width)x$(window_info "$TALVANE_WIN" Height)" = 650x990 ] ||
  fail "size at twice the scale: $(window_info "$TALVANE_WIN" Width)x$(window_info "$TALVANE_WIN" Height)"
import -window "$TALVANE_WIN" "$shots/window-2x.png"
double_edges=$("$list_ink" --edges "$shots/window-2x.png" 20 22 352 54)
echo "title edges at 1x: $single_edges; at 2x: $double_edges"
awk -v one="${single_edges#*=}" -v two="${double_edges#*=}" 'BEGIN { exit !(two <= 1.25 * one) }' ||
  fail "the title is blurred at twice the scale"

echo "window_e2e: all checks passed"

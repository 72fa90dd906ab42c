# Sourced by end-to-end tests after xvfb_session.sh: drives the real program
# as a user would. Needs $talvane and $list_ink.

# Starts the program; sets TALVANE_PID and TALVANE_WIN.
start_talvane() {
  local errors
  errors=$(mktemp)
  "$talvane" 2>"$errors" &
  TALVANE_PID=$!
  STARTED_PIDS+=("$TALVANE_PID")
  TALVANE_WIN=""
  for _ in $(seq 200); do
    TALVANE_WIN=$(xdotool search --all --onlyvisible --pid "$TALVANE_PID" --name '^Talvane$' 2>/dev/null | head -n 1 || true)
    [ -n "$TALVANE_WIN" ] && break
    kill -0 "$TALVANE_PID" 2>/dev/null || break
    sleep 0.05
  done
  [ -n "$TALVANE_WIN" ] || fail "the program's window did not appear: $(grep -v QStandardPaths "$errors" | head -n 3)"
  rm -f "$errors"
  sleep 0.3  # the first paint
}

# The zone on the list's line $1, in the order the registry lists zones.
listed_zone() { sed -n 's/^Z \([^ ]*\) .*/\1/p' /usr/share/zoneinfo/tzdata.zi | LC_ALL=C sort -f | sed -n "$1p"; }

# The y, in window pixels, of the middle of the list's text line $1.
line_middle() {
  local shot
  shot=$(mktemp --suffix=.png)
  import -window "$TALVANE_WIN" "$shot"
  "$list_ink" "$shot" 48 80 225 288 | sed 's/.*middles=//' | cut -d, -f"$1"
  rm -f "$shot"
}

# Waits for a message box of process $1 other than window $2; prints its id.
wait_for_box() {
  local pid=$1 other=${2:-} box=""
  for _ in $(seq 100); do
    box=$(xdotool search --all --onlyvisible --pid "$pid" --name '^Talvane v1\.0$' 2>/dev/null |
      grep -vx "${other:-none}" | head -n 1 || true)
    [ -n "$box" ] && break
    sleep 0.05
  done
  [ -n "$box" ] || fail "no message box for process $pid"
  echo "$box"
}

# Double-clicks line $2 (y from line_middle) of window $1 and waits for the
# message box of process $3; prints the box's window id.
open_preview() {
  xdotool mousemove --window "$1" 100 "$2" click --repeat 2 --delay 80 1
  wait_for_box "$3"
}

# Presses OK on message box $1 and waits for it to close.
dismiss() {
  xdotool windowfocus --sync "$1" key Return
  for _ in $(seq 100); do
    xwininfo -id "$1" 2>/dev/null | grep -q 'IsViewable' || return 0
    sleep 0.05
  done
  fail "message box $1 stayed open"
}

# What one setting file is: its link text, or its owner, mode and the hash
# of its bytes, or none.
file_state() {
  if [ -L "$1" ]; then
    echo "link:$(readlink "$1")"
  elif [ -e "$1" ]; then
    echo "file:$(stat -c %u:%g:%a "$1"):$(sha256sum <"$1" | cut -c1-16)"
  else
    echo none
  fi
}

# The system setting: /etc/localtime and /etc/timezone.
setting_state() { echo "$(file_state /etc/localtime) $(file_state /etc/timezone)"; }

# Files of the program beside the setting.
leftovers() { ls -A /etc | grep -E '^\.(localtime|timezone)\.talvane' || true; }

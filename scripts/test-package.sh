#!/usr/bin/env bash
# Builds Talvane as a desktop application and checks it the way a user gets
# it: the installed tree (cmake --install), the desktop entry and AppStream
# metainfo against their validators, the polkit action and the boot unit, and
# the RPM, which must satisfy rpmlint and is installed into an empty tree and,
# with its scriptlets, into overlays; the Debian package, which must satisfy
# lintian and is installed; its window
# is started as an ordinary user under a private X server, whose keeper the
# real pkexec and polkitd start or refuse; its boot unit puts back a preview
# whose keeper was killed; it is started under a Wayland compositor with no
# X, and removed.
# Run as root on Debian. The package never stays installed, and the machine's
# time zone is never touched: whatever changes it runs with /etc overlaid in
# a private mount namespace.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

[ "$(id -u)" = 0 ] || { echo "test-package: FAILED: run as root (it installs a package)"; exit 1; }

apt_get() { DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600 "$@"; }

scripts/install-deps.sh
# pkexec has its own package from Debian 12 on; policykit-1 carries it before.
pkexec_pkg=pkexec
apt-cache show pkexec >/dev/null 2>&1 || pkexec_pkg=policykit-1
needed=(desktop-file-utils appstream dpkg-dev libxml2-utils polkitd "$pkexec_pkg" lintian weston qt6-wayland
  systemd python3 rpm rpmlint)
missing=()
for p in "${needed[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  apt_get update
  apt_get install -y --no-install-recommends "${missing[@]}"
fi

if dpkg-query -W -f='${Status}' talvane 2>/dev/null | grep -q "ok installed"; then
  echo "test-package: FAILED: package talvane is already installed here; remove it first"
  exit 1
fi

source tests/e2e/xvfb_session.sh
source tests/e2e/talvane_driver.sh
source tests/e2e/private_polkit.sh

installed_by_test=0
stage=$(mktemp -d)
finish() {
  local rc=$?
  cleanup_started
  rm -rf "$stage"
  if [ "$installed_by_test" = 1 ] && dpkg-query -W talvane >/dev/null 2>&1; then
    apt_get remove --purge -y talvane >/dev/null || dpkg -P talvane || rc=1
  fi
  if [ "$rc" = 0 ]; then
    echo "test-package: all checks passed"
  else
    echo "test-package: FAILED (exit $rc)"
  fi
  exit "$rc"
}
trap finish EXIT

# What the files must say, read here from the one definition.
version=$(sed -n 's/^set(TALVANE_VERSION \([0-9.]*\))$/\1/p' app/version.cmake)
[ -n "$version" ] || fail "cannot read TALVANE_VERSION from app/version.cmake"
app_id=org.talvane.Talvane
exe=/usr/bin/talvane
keeper=/usr/libexec/talvane/talvane-keeper
unit_dir=$(pkg-config --variable=systemdsystemunitdir systemd 2>/dev/null || echo /lib/systemd/system)
unit=$unit_dir/talvane-recover.service
action=$app_id.preview
edges=(16 24 32 48 128 256)

build=build/package
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTALVANE_BUILD_TESTS=OFF \
  -DCMAKE_INSTALL_PREFIX=/usr
cmake --build "$build"

# --- the installed tree ------------------------------------------------------
DESTDIR="$stage" cmake --install "$build" >/dev/null
share=$stage/usr/share
desktop=$share/applications/$app_id.desktop
metainfo=$share/metainfo/$app_id.metainfo.xml
policy=$share/polkit-1/actions/$app_id.policy

for program in "$exe" "$keeper"; do
  [ -x "$stage$program" ] || fail "no executable $program"
  file -b "$stage$program" | grep -q '^ELF' || fail "$program is not an ELF program"
done
for f in "$desktop" "$metainfo" "$policy" "$stage$unit"; do [ -s "$f" ] || fail "missing ${f#"$stage"}"; done

entry() { sed -n "s/^$1=//p" "$desktop"; }
[ "$(entry Name)" = Talvane ] || fail "desktop Name: $(entry Name)"
[ "$(entry Exec)" = "$(basename "$exe")" ] || fail "desktop Exec: $(entry Exec)"
[ "$(entry Icon)" = "$app_id" ] || fail "desktop Icon: $(entry Icon)"
[ "$(entry Type)" = Application ] || fail "desktop Type: $(entry Type)"
[ "$(entry Terminal)" = false ] || fail "desktop Terminal: $(entry Terminal)"
entry Categories | tr ';' '\n' | grep -qx Utility || fail "desktop Categories: $(entry Categories)"
desktop-file-validate "$desktop" || fail "desktop-file-validate"

for edge in "${edges[@]}"; do
  png=$share/icons/hicolor/${edge}x$edge/apps/$app_id.png
  [ -s "$png" ] || fail "no ${edge}x$edge icon"
  size=$(identify -format '%m %wx%h' "$png")
  [ "$size" = "PNG ${edge}x$edge" ] || fail "${edge}x$edge icon is $size"
done
# The 32-bit 16 x 16, not the 24-bit one whose mask is only on or off.
alphas=$(convert "$share/icons/hicolor/16x16/apps/$app_id.png" -alpha extract -unique-colors -format '%w' info:)
[ "$alphas" -gt 2 ] || fail "16x16 icon has $alphas alpha levels: the 24-bit image was taken"

grep -q "<id>$app_id</id>" "$metainfo" || fail "metainfo id"
grep -q "<release version=\"$version\"" "$metainfo" || fail "metainfo release is not $version"
grep -q "<launchable type=\"desktop-id\">$app_id.desktop</launchable>" "$metainfo" || fail "metainfo launchable"
appstreamcli validate --no-net "$metainfo" || fail "appstreamcli validate"

xmllint --noout --dtdvalid /usr/share/polkit-1/policyconfig-1.dtd "$policy" || fail "polkit policy is not valid"
annotation() { xmllint --xpath "string(//action/annotate[@key='$1'])" "$policy"; }
[ "$(xmllint --xpath 'string(//action/@id)' "$policy")" = "$action" ] || fail "policy action id"
[ "$(annotation org.freedesktop.policykit.exec.path)" = "$keeper" ] || fail "policy exec.path: $(annotation org.freedesktop.policykit.exec.path)"
for when in allow_any allow_inactive allow_active; do
  [ "$(xmllint --xpath "string(//action/defaults/$when)" "$policy")" = auth_admin_keep ] || fail "policy $when"
done
grep -qx "ExecStart=$keeper --recover" "$stage$unit" || fail "the unit does not run the keeper's recovery mode"

# --- the Debian package ------------------------------------------------------
arch=$(dpkg --print-architecture)
deb=$root/$build/talvane_${version}_$arch.deb
rm -f "$root/$build"/talvane_*.deb
(cd "$build" && cpack -G DEB) >/dev/null
[ -s "$deb" ] || fail "cpack did not make $(basename "$deb")"
field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = talvane ] || fail "package name $(field Package)"
[ "$(field Version)" = "$version" ] || fail "package version $(field Version)"
depends=$(field Depends)
for dep in tzdata pkexec libqt6widgets6 libc6; do
  echo "$depends" | grep -Eq "(^|[ ,|])$dep( |,|$)" || fail "Depends lacks $dep: $depends"
done
for rec in fonts-wine qt6-wayland; do
  field Recommends | grep -qw "$rec" || fail "Recommends lacks $rec: $(field Recommends)"
done
lintian --fail-on error,warning "$deb" || fail "lintian"

# --- the RPM -----------------------------------------------------------------
# Built where RPM systems keep units; otherwise the same files as the Debian
# package, and it owns no directory but its own.
rpm_build=build/package-rpm
cmake -S . -B "$rpm_build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTALVANE_BUILD_TESTS=OFF \
  -DCMAKE_INSTALL_PREFIX=/usr -DTALVANE_SYSTEMD_UNIT_DIR=/usr/lib/systemd/system >/dev/null
cmake --build "$rpm_build"
(cd "$rpm_build" && cpack -G RPM) >/dev/null
rpm_file=$root/$rpm_build/talvane-$version-1.$(uname -m).rpm
rpmlint -c packaging/rpm/rpmlint.toml "$rpm_file" || fail "rpmlint"
installed=$(cd "$stage" && find . -type f -printf '/%P\n' | sed 's,^/lib/systemd/,/usr/lib/systemd/,' | sort)
own_dirs=$(cd "$stage" && find . -type d -name talvane -printf '/%P\n')
diff <(rpm -qlp "$rpm_file" | sort) <(printf '%s\n' "$installed" $own_dirs | sort) ||
  fail "the RPM's files differ from the installed tree"
# An empty root has no shell for the scriptlets, which the overlays below run.
rpm_root=$root/$rpm_build/empty-root
rm -rf "$rpm_root"
rpm --root "$rpm_root" --dbpath /var/lib/rpm --nodeps --noscripts --force-debian -i "$rpm_file"
diff <(cd "$rpm_root" && find . -path ./var/lib/rpm -prune -o -type f -printf '/%P\n' | sort) <(echo "$installed") ||
  fail "the RPM installed other files"
# Installed over this system's /usr and /etc, with a preset that disables
# all else, as Fedora's does, and with no systemd running: the package
# enables its unit, and its removal disables it and leaves none of its files.
unshare -m --propagation private bash -euc '
  layer=$(mktemp -d) && mount -t tmpfs tmpfs "$layer"
  for d in usr etc; do
    mkdir "$layer/$d" "$layer/$d.work"
    mount -t overlay overlay -o "lowerdir=/$d,upperdir=$layer/$d,workdir=$layer/$d.work" "/$d"
  done
  mount -t tmpfs tmpfs /run
  echo "disable *" >/usr/lib/systemd/system-preset/99-default-disable.preset
  wants=/etc/systemd/system/sysinit.target.wants/talvane-recover.service
  rpm --dbpath "$layer/db" --nodeps --force-debian -i "$1"
  [ -L "$wants" ] || { echo "FAIL: installing the RPM did not enable its unit"; exit 1; }
  rpm --dbpath "$layer/db" --nodeps --force-debian -e talvane
  for left in "$wants" "${@:2}"; do [ ! -e "$left" ] || { echo "FAIL: removing the RPM left $left"; exit 1; }; done
' rpm "$rpm_file" $installed || fail "the RPM's scriptlets"
echo "test-package: the RPM passes rpmlint, holds the installed tree, and enables and disables its unit"

installed_by_test=1
apt_get install -y --no-install-recommends "$deb"
dpkg-query -W -f='${Status}' talvane | grep -q "install ok installed" || fail "talvane did not install"
mapfile -t owned < <(dpkg -L talvane)

# The package holds exactly what cmake --install laid out.
diff <(cd "$stage" && find . -type f -printf '/%P\n' | sort) \
     <(for p in "${owned[@]}"; do [ -f "$p" ] && echo "$p"; done | sort) ||
  fail "the package's files differ from the installed tree"

# The boot unit passes systemd's own check, and the package enabled it.
systemd-analyze verify --man=no "$unit" || fail "systemd-analyze verify $unit"
[ -L "/etc/systemd/system/sysinit.target.wants/$(basename "$unit")" ] ||
  fail "the package did not enable $(basename "$unit")"

# The command's pid goes here.
export PID_FILE=$stage/command.pid
# polkit knows the action as the package describes it.
actions=$("${with_polkit[@]}" pkaction --action-id "$action" --verbose) || fail "pkaction: no $action"
echo "$actions" | grep -Eq "implicit active: +auth_admin_keep" || fail "pkaction: $actions"
echo "$actions" | grep -q "org.freedesktop.policykit.exec.path -> $keeper" || fail "pkaction: $actions"

# The setting inside the namespace of process $1.
setting_of() { nsenter --target "$1" --mount -- bash -c "$(declare -f file_state setting_state); setting_state"; }

# The height in rows of the text in the list of the window whose top left
# corner is at $2,$3 of picture $1, inside the list's border and left of
# where the scroll bar goes.
list_ink_rows() {
  convert "$1" -crop 201x284+$(($2 + 50))+$(($3 + 82)) +repage -colorspace gray -threshold 50% \
    -negate -bordercolor black -border 1 -trim -format %h info: 2>/dev/null
}

# The menu entry's command, as an ordinary user: the window runs as the user,
# and pkexec starts the keeper as root when polkit allows it (a rule here,
# where a desktop asks for a password); a preview then works as it does for
# root. The rule holds its answer until the test writes to a FIFO, as an
# agent's password dialog would: meanwhile the window is on screen and moves;
# closed then, it ends the pkexec that asks. Without the rule, and with no
# agent to ask, polkit refuses: the keeper never runs, and the list holds
# only "Could not open registry key". The namespace outlives the window, so
# that polkitd still asks when it closes.
start_xvfb 1024 768
scratch=$stage/scratch
mkdir "$scratch"
chown 65534 "$scratch"
chmod o+x "$stage"
as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups
  env HOME="$scratch" XDG_RUNTIME_DIR="$scratch" "$(entry Exec)")
hold=$stage/hold
mkfifo -m 666 "$hold"
# The held helper gives up by itself, so that a failed run leaves none.
held_allow="polkit.addRule(function (action, subject) {
  if (action.id == \"$action\" && subject.user == \"nobody\") {
    polkit.spawn([\"/usr/bin/timeout\", \"9\", \"/bin/cat\", \"$hold\"]);
    return polkit.Result.YES;
  } });"
answer() { timeout 5 sh -c "echo >'$hold'"; }
# Whether process $1 has ended (an orphan may stay a zombie here).
ended() { [[ $(ps -o stat= -p "$1" | tr -d " ") != [^Z]* ]]; }
for authorised in yes closed no; do
  rule=
  [ "$authorised" = no ] || rule=$held_allow
  RULE=$rule "${with_polkit[@]}" sh -c '"$@"; exec sleep 60' sh "${as_user[@]}" &
  polkit_ns=$!
  STARTED_PIDS+=("$polkit_ns")
  win=$(wait_for_window Talvane)
  pid=$(xdotool getwindowpid "$win")
  [ "$(ps -o ppid= -p "$pid" | tr -d ' ')" = "$(cat "$stage/command.pid")" ] ||
    fail "window 'Talvane' is not the started program's"
  [ "$(readlink "/proc/$pid/exe")" = "$exe" ] || fail "the menu entry ran $(readlink "/proc/$pid/exe")"
  [ "$(stat -c %u "/proc/$pid")" = 65534 ] || fail "the window does not run as its user"
  xprop -id "$win" WM_CLASS | grep -q "\"$(entry StartupWMClass)\"" ||
    fail "WM_CLASS $(xprop -id "$win" WM_CLASS) does not match StartupWMClass $(entry StartupWMClass)"
  before=$(setting_of "$pid")
  sleep 0.5  # the first paint
  if [ "$authorised" != no ]; then
    asking=$(pgrep -P "$pid" -x pkexec) || fail "held: no pkexec asks"
    x=$(window_info "$win" 'Absolute upper-left X') y=$(window_info "$win" 'Absolute upper-left Y')
    xdotool mousemove $((x + 20)) $((y + 450)) mousedown 1 sleep 0.1 mousemove $((x + 50)) $((y + 470)) \
      sleep 0.1 mouseup 1 sleep 0.3
    [ "$(window_info "$win" 'Absolute upper-left X'),$(window_info "$win" 'Absolute upper-left Y')" = \
      "$((x + 30)),$((y + 20))" ] || fail "held: the window did not move while polkit asked"
  fi
  if [ "$authorised" = closed ]; then
    # As a desktop closes it: the event loop ends, not the process at once
    # (Image2's way, which pkexec follows by itself).
    manage_with_openbox "$win"
    xdotool windowactivate --sync "$win" key alt+F4
    timeout 3 tail --pid="$pid" -f /dev/null || fail "held: closed, the window did not end"
    kill "$WM_PID"
    # pkexec would have become the keeper; polkitd's helper is let go.
    ended "$asking" || fail "held: the closed window left pkexec $asking asking"
    answer || true
    echo "test-package: while polkit asked, the window showed, moved, and closed with its pkexec"
  elif [ "$authorised" = yes ]; then
    answer || fail "held: polkit never asked"
    for _ in $(seq 50); do
      import -window "$win" "$stage/answered.png"
      [ "$(list_ink_rows "$stage/answered.png" 0 0)" -ge 200 ] && break
      sleep 0.1
    done
    [ "$(list_ink_rows "$stage/answered.png" 0 0)" -ge 200 ] || fail "held: answered, the list is not filled"
  fi
  if [ "$authorised" = no ]; then
    import -window "$win" "$stage/refused.png"
    rows=$(list_ink_rows "$stage/refused.png" 0 0)
    [ "$rows" -ge 5 ] && [ "$rows" -le 20 ] || fail "refused: the list's text covers $rows rows, not one line"
    pgrep -P "$pid" -x talvane-keeper >/dev/null && fail "refused: the window started a keeper"
    [ "$(setting_of "$pid")" = "$before" ] || fail "refused: the setting changed"
    echo "test-package: refused by polkit, the user's window lists one entry and changes nothing"
  elif [ "$authorised" = yes ]; then
    keeper_pid=$(pgrep -P "$pid" -x talvane-keeper) || fail "no keeper was started"
    [ "$(stat -c %u "/proc/$keeper_pid")" = 0 ] && [ "$(readlink "/proc/$keeper_pid/exe")" = "$keeper" ] ||
      fail "the keeper is not $keeper, as root"
    xdotool mousemove --window "$win" 100 88 click --repeat 2 --delay 80 1
    box=$(wait_for_window 'Talvane v1\.0')
    during=$(setting_of "$pid")
    [ "$during" != "$before" ] || fail "the user's preview changed nothing"
    xdotool windowfocus --sync "$box" key Return
    for _ in $(seq 100); do [ "$(setting_of "$pid")" = "$before" ] && break; sleep 0.05; done
    [ "$(setting_of "$pid")" = "$before" ] || fail "after OK the setting is $(setting_of "$pid"), was $before"
    echo "test-package: as user 65534, through pkexec: $before -> $during -> back"
  fi
  kill "$pid" 2>/dev/null || true
  timeout 5 tail --pid="$pid" -f /dev/null || fail "the installed program did not end"
  kill "$polkit_ns"
  wait "$polkit_ns" 2>/dev/null || true
done

# The boot unit over the way back a killed keeper left: its command, run as
# the boot runs it, puts the setting back, and leaves nothing behind.
unshare -m --propagation private bash -euc '
  source tests/e2e/talvane_driver.sh
  layer=$(mktemp -d) && mount -t tmpfs tmpfs "$layer" && mkdir "$layer/upper" "$layer/work"
  mount -t overlay overlay -o "lowerdir=/etc,upperdir=$layer/upper,workdir=$layer/work" /etc
  before=$(setting_state)
  python3 tests/e2e/keeper_client.py "read set:Asia/Tokyo kill" "$1" >"$layer/replies" || true
  grep -qx "set 0" "$layer/replies" || { echo "FAIL: the keeper did not apply"; exit 1; }
  [ "$(setting_state)" != "$before" ] || { echo "FAIL: the killed keeper left nothing to put back"; exit 1; }
  compgen -G "/etc/.localtime.talvane-*" >/dev/null || { echo "FAIL: the unit would not run"; exit 1; }
  $2
  [ "$(setting_state)" = "$before" ] || { echo "FAIL: the unit left $(setting_state), was $before"; exit 1; }
  [ -z "$(leftovers)" ] || { echo "FAIL: the unit left $(leftovers)"; exit 1; }
' boot "$keeper" "$(sed -n 's/^ExecStart=//p' "$unit")" || fail "the boot unit did not put the setting back"
echo "test-package: the boot unit put back the preview of a killed keeper"

# A Wayland session with no X, as a user's: weston's headless backend in
# software (--debug lets weston-screenshooter take shots), run by uid 65534
# and listening in /run/user/65534 of a mount namespace of its own. The
# program runs there as that user, as the session's menu starts it; with no
# polkit to ask there, its list holds one entry.
# A shot shows the window when the skin's dark red covers exactly its size
# and, inside the list's border, the ground is white with a line of text.
# Shots are taken until one does, since the compositor fades the desktop in.
window_shown() {
  local box x y white ink
  box=$(convert "$1" -alpha off -fuzz 8% -fill black +opaque 'rgb(90,19,19)' \
    -fill white -opaque 'rgb(90,19,19)' -format %@ info: 2>/dev/null)
  seen="skin at $box"
  [[ "$box" = 325x495+* ]] || return 1
  IFS=+ read -r _ x y <<<"$box"
  white=$(convert "$1" -crop 201x284+$((x + 50))+$((y + 82)) +repage -colorspace gray \
    -threshold 96% -format '%[fx:mean]' info:)
  ink=$(list_ink_rows "$1" "$x" "$y")
  seen="$seen, list $white white, text over $ink of its 284 rows"
  awk "BEGIN { exit !($white > 0.5) }" && [ "${ink:-0}" -ge 5 ]
}
wayland_start=$(date +%s%N)
wl_uid=65534
wl_run=/run/user/$wl_uid
# In a pid namespace of its own, whose end takes its helper clients with it;
# unshare ignores SIGTERM, weston (the namespace's first process) takes it.
unshare --mount --propagation private --pid --fork sh -c '
  mount -t tmpfs -o mode=755 tmpfs /run && mkdir -p "$1" && chown "$2:$2" "$1" && chmod 700 "$1" &&
  exec setpriv --reuid="$2" --regid="$2" --clear-groups env -i XDG_RUNTIME_DIR="$1" \
    HOME=/nonexistent PATH=/usr/bin:/bin weston --backend=headless-backend.so --use-pixman \
    --debug --socket=wayland-0 --width=1024 --height=768 --idle-time=0' sh "$wl_run" "$wl_uid" \
  >"$stage/weston.log" 2>&1 &
compositor=$!
for _ in $(seq 50); do weston=$(ps -o pid= --ppid "$compositor" | tr -d " ") && break; sleep 0.1; done
[ -n "$weston" ] || fail "weston did not start"
STARTED_PIDS+=("$weston" "$compositor")
mkdir "$stage/shots"
# Entering a mount namespace moves to its root; shots are taken where they are looked for.
in_session=(nsenter --target "$weston" --mount --wd="$stage/shots" -- env -i HOME=/root
  PATH=/usr/bin:/bin)
for _ in $(seq 50); do "${in_session[@]}" test -S "$wl_run/wayland-0" && break; sleep 0.1; done
"${in_session[@]}" setpriv --reuid="$wl_uid" --regid="$wl_uid" --clear-groups \
  env XDG_RUNTIME_DIR="$wl_run" WAYLAND_DISPLAY=wayland-0 HOME=/nonexistent "$exe" &
pid=$!
STARTED_PIDS+=("$pid")
seen="no screenshot"
for _ in $(seq 40); do
  rm -f "$stage"/shots/*
  "${in_session[@]}" XDG_RUNTIME_DIR="$wl_run" WAYLAND_DISPLAY=wayland-0 weston-screenshooter \
    >/dev/null 2>&1 || true
  shot=$(find "$stage/shots" -name '*.png' | head -n 1)
  [ -n "$shot" ] && window_shown "$shot" && break
  shot=
  sleep 0.25
done
[ -n "$shot" ] || fail "no Talvane window on Wayland; last seen: $seen"
echo "test-package: started as the user of a Wayland session, window and list found in $((($(date +%s%N) - wayland_start) / 1000000)) ms"
kill "$pid" "$weston"
wait "$pid" "$compositor" 2>/dev/null || true

# --- removal -------------------------------------------------------------------
apt_get remove --purge -y talvane
installed_by_test=0
dpkg-query -W talvane >/dev/null 2>&1 && fail "dpkg still knows talvane after purge"
for p in "${owned[@]}"; do
  [ "$p" = /. ] && continue
  if [ -d "$p" ] && [ ! -L "$p" ]; then
    # A directory may stay only if it is not empty or another package owns it.
    [ -n "$(ls -A "$p")" ] || dpkg-query -S "$p" >/dev/null 2>&1 || fail "left behind: $p"
  elif { [ -e "$p" ] || [ -L "$p" ]; } && ! dpkg-query -S "$p" >/dev/null 2>&1; then
    fail "left behind: $p"
  fi
done
# Nor is the boot unit still enabled, or remembered as having been.
leftover=$(find /etc/systemd /var/lib/systemd -name "$(basename "$unit")*" 2>/dev/null)
[ -z "$leftover" ] || fail "left behind: $leftover"

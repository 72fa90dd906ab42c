#!/usr/bin/env bash
# Builds Talvane as a desktop application and checks it the way a user gets
# it: the installed tree (cmake --install), the desktop entry and AppStream
# metainfo against their validators, the polkit action, and the Debian
# package, which is installed, started under a private X server and removed.
# Run as root on Debian. The package never stays installed, and the machine's
# time zone is never touched: the program is only started and ended.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

[ "$(id -u)" = 0 ] || { echo "test-package: FAILED: run as root (it installs a package)"; exit 1; }

apt_get() { DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600 "$@"; }

scripts/install-deps.sh
# pkexec has its own package from Debian 12 on; policykit-1 carries it before.
pkexec_pkg=pkexec
apt-cache show pkexec >/dev/null 2>&1 || pkexec_pkg=policykit-1
needed=(desktop-file-utils appstream dpkg-dev libxml2-utils polkitd "$pkexec_pkg")
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

[ -x "$stage$exe" ] || fail "no executable $exe"
file -b "$stage$exe" | grep -q '^ELF' || fail "$exe is not an ELF program"
for f in "$desktop" "$metainfo" "$policy"; do [ -s "$f" ] || fail "missing ${f#"$stage"}"; done

entry() { sed -n "s/^$1=//p" "$desktop"; }
[ "$(entry Name)" = Talvane ] || fail "desktop Name: $(entry Name)"
[ "$(entry Exec)" = "pkexec $exe" ] || fail "desktop Exec: $(entry Exec)"
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
[ "$(annotation org.freedesktop.policykit.exec.path)" = "$exe" ] || fail "policy exec.path: $(annotation org.freedesktop.policykit.exec.path)"
[ "$(annotation org.freedesktop.policykit.exec.allow_gui)" = true ] || fail "policy does not allow a graphical program"
[ "$(xmllint --xpath 'string(//action/defaults/allow_active)' "$policy")" = auth_admin ] || fail "policy allow_active"

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
field Recommends | grep -qw fonts-wine || fail "Recommends: $(field Recommends)"

installed_by_test=1
apt_get install -y --no-install-recommends "$deb"
dpkg-query -W -f='${Status}' talvane | grep -q "install ok installed" || fail "talvane did not install"
mapfile -t owned < <(dpkg -L talvane)

# The package holds exactly what cmake --install laid out.
diff <(cd "$stage" && find . -type f -printf '/%P\n' | sort) \
     <(for p in "${owned[@]}"; do [ -f "$p" ] && echo "$p"; done | sort) ||
  fail "the package's files differ from the installed tree"

# The menu's command resolves: pkexec is there, and runs what the action names.
command -v pkexec >/dev/null || fail "pkexec is not installed"
[ -x "$exe" ] || fail "$exe is not installed"

# Started as pkexec starts it: an empty environment but for DISPLAY (allow_gui)
# and what pkexec itself sets; the private runtime directory only keeps Qt
# from making /tmp/runtime-root on this machine.
start_xvfb 1024 768
env -i DISPLAY="$DISPLAY" HOME=/root USER=root LOGNAME=root SHELL=/bin/bash \
  PATH=/usr/sbin:/usr/bin:/sbin:/bin PKEXEC_UID=0 XDG_RUNTIME_DIR="$PRIVATE_RUNTIME_DIR" "$exe" &
pid=$!
STARTED_PIDS+=("$pid")
win=$(wait_for_window Talvane)
[ "$(xdotool getwindowpid "$win")" = "$pid" ] || fail "window 'Talvane' is not the installed program's"
xprop -id "$win" WM_CLASS | grep -q "\"$(entry StartupWMClass)\"" ||
  fail "WM_CLASS $(xprop -id "$win" WM_CLASS) does not match StartupWMClass $(entry StartupWMClass)"
kill "$pid"
wait "$pid" 2>/dev/null || true
kill -0 "$pid" 2>/dev/null && fail "the installed program did not end"

# --- removal -------------------------------------------------------------------
apt_get remove --purge -y talvane
installed_by_test=0
dpkg-query -W talvane >/dev/null 2>&1 && fail "dpkg still knows talvane after purge"
for p in "${owned[@]}"; do
  [ "$p" = /. ] && continue
  if [ -d "$p" ] && [ ! -L "$p" ]; then
    # A directory may stay only if it is not empty or another package owns it.
    [ -n "$(ls -A "$p")" ] || dpkg-query -S "$p" >/dev/null 2>&1 || fail "left behind: $p"
  elif [ -e "$p" ] || [ -L "$p" ]; then
    fail "left behind: $p"
  fi
done

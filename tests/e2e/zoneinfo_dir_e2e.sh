#!/usr/bin/env bash
# The window and its keeper built for a zoneinfo directory of their own
# (-DTALVANE_ZONEINFO_DIR=/etc/zoneinfo, a link into a store, as NixOS and
# Guix keep it), with /usr/share/zoneinfo empty: the list is that tree's
# zones, and a preview puts the system in one of them and OK puts back
# exactly what was there.
# Usage: zoneinfo_dir_e2e.sh SOURCE_DIR BUILD_DIR LIST_INK
source "$(dirname "$0")/private_etc.sh"
source "$(dirname "$0")/xvfb_session.sh"
source "$(dirname "$0")/talvane_driver.sh"
source_dir=$1 build=$2 list_ink=$3
talvane=$build/app/talvane

cmake -S "$source_dir" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTALVANE_BUILD_TESTS=OFF \
  -DTALVANE_ZONEINFO_DIR=/etc/zoneinfo >/dev/null
cmake --build "$build" --target talvane talvane-keeper >/dev/null

store=$(mktemp -d)
trap 'cleanup_started; rm -rf "$store"' EXIT
cat >"$store/tzdata.zi" <<'EOF'
Z Atlantis/Gamma 5:30 - GST
Z Atlantis/Alpha 9 - AST
Z Atlantis/Beta -3 - BST
EOF
zic -d "$store/zoneinfo" "$store/tzdata.zi"
cp "$store/tzdata.zi" "$store/zoneinfo/"
ln -s "$store/zoneinfo" /etc/zoneinfo
mount -t tmpfs tmpfs /usr/share/zoneinfo
rm -f /etc/localtime
ln -s /etc/zoneinfo/Atlantis/Gamma /etc/localtime
echo Atlantis/Gamma >/etc/timezone
before=$(setting_state)

start_xvfb 1024 768
start_talvane
lines=$(line_middle 1-)
[ "$(echo "$lines" | tr ',' '\n' | grep -c .)" = 3 ] || fail "the list has lines at $lines, not 3"
box=$(open_preview "$TALVANE_WIN" "${lines%%,*}" "$TALVANE_PID")
during=$(setting_state)
[ "$during" = "link:/etc/zoneinfo/Atlantis/Alpha file:0:0:644:$(echo Atlantis/Alpha | sha256sum | cut -c1-16)" ] ||
  fail "during the preview of the first line: $during"
[ "$(date +%Z)" = AST ] || fail "during the preview date says $(date +%Z%z)"
dismiss "$box"
[ "$(setting_state)" = "$before" ] || fail "after OK: $(setting_state), was $before"
[ -z "$(leftovers)" ] || fail "left in /etc: $(leftovers)"
echo "zoneinfo_dir_e2e: three zones of /etc/zoneinfo listed, the first previewed and put back"

#!/usr/bin/env bash
# Runs the start-up benchmark in a private X server: the program against
# plain Qt windows, interleaved, in a private mount namespace with /etc
# overlaid, since a keeper starting takes a dead preview's way back there.
# As root, the program starts its keeper directly and lists every zone.
# With --as-user, everything runs as an ordinary user (uid 65534), as a
# desktop user gets it: the build, configured with
# -DCMAKE_INSTALL_PREFIX=/usr, installed under /usr in the namespace only,
# its keeper started through the real pkexec, which a polkitd of the
# namespace's own allows. Further window programs given run in the same
# turns; each must have no talvane-keeper beside it, so that it starts the
# build's.
# Usage: run_startup_bench.sh [--as-user] BUILD_DIR [RUNS [TALVANE...]]
source "$(dirname "$0")/../e2e/private_etc.sh"
source "$(dirname "$0")/../e2e/xvfb_session.sh"
source "$(dirname "$0")/../e2e/private_polkit.sh"
as_user=
[ "$1" != --as-user ] || { as_user=1; shift; }
build=$1
bench=("$build/tests/startup_bench" "${2:-20}" "$build/tests/qt_baseline")
shift $(($# < 2 ? $# : 2))
start_xvfb 1024 768
if [ -z "$as_user" ]; then
  "${bench[@]}" "$build/app/talvane" "$@"
  exit
fi

grep -qx 'CMAKE_INSTALL_PREFIX:PATH=/usr' "$build/CMakeCache.txt" || fail "$build is not configured for /usr"
layer=$(mktemp -d) && mount -t tmpfs tmpfs "$layer" && mkdir "$layer/upper" "$layer/work" "$layer/home"
mount -t overlay overlay -o "lowerdir=/usr,upperdir=$layer/upper,workdir=$layer/work" /usr
cmake --install "$build" >/dev/null
chown 65534:65534 "$layer/home" && chmod 700 "$layer/home"
RULE='polkit.addRule(function (action, subject) {
  if (action.id == "org.talvane.Talvane.preview" && subject.user == "nobody") return polkit.Result.YES; });' \
  "${with_polkit[@]}" setpriv --reuid=65534 --regid=65534 --clear-groups \
  env HOME="$layer/home" XDG_RUNTIME_DIR="$layer/home" "${bench[@]}" /usr/bin/talvane "$@"

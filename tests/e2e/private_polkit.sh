# Sourced by tests that start the keeper through the real pkexec.
# with_polkit runs a command in a private mount namespace whose /etc is an
# overlay, so that what it changes there stays there, beside a D-Bus system
# bus and a polkitd of its own that read the polkit rule in $RULE, if given
# (the machine's own stay untouched); they end with the command, or all on
# SIGTERM. The command's pid goes to $PID_FILE, if set. A command line rather
# than a function, so that $! of "${with_polkit[@]}" & is the process that
# SIGTERM ends cleanly.
with_polkit=(unshare -m --propagation private bash -euc '
    layer=$(mktemp -d) && mount -t tmpfs tmpfs "$layer" && mkdir "$layer/upper" "$layer/work"
    mount -t overlay overlay -o "lowerdir=/etc,upperdir=$layer/upper,workdir=$layer/work" /etc
    [ -z "${RULE:-}" ] || echo "$RULE" >/etc/polkit-1/rules.d/50-talvane-test.rules
    mount -t tmpfs tmpfs /run/dbus
    dbus-daemon --system --nofork --nopidfile 2>/dev/null & bus=$!
    /usr/lib/polkit-1/polkitd --no-debug >/dev/null 2>&1 & polkitd=$!
    trap "kill \${cmd:-} \$polkitd \$bus 2>/dev/null || true; wait" EXIT
    trap "exit 143" TERM
    for _ in $(seq 100); do
      dbus-send --system --print-reply --dest=org.freedesktop.DBus / org.freedesktop.DBus.NameHasOwner \
        string:org.freedesktop.PolicyKit1 2>/dev/null | grep -q true && break
      sleep 0.1
    done
    "$@" & cmd=$!
    [ -z "${PID_FILE:-}" ] || echo $cmd >"$PID_FILE"
    wait $cmd' with_polkit)

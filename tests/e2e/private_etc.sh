# Sourced by end-to-end tests that let the real program change the system
# time zone: re-runs the test in a private mount namespace where /etc is an
# overlay, so this machine's own /etc/localtime is never touched.
if [ "$(id -u)" != 0 ]; then
  echo "SKIP: needs root for a private mount namespace"
  exit 77
fi
if [ "${PRIVATE_ETC_READY:-}" != "$$" ]; then
  exec unshare --mount --propagation private -- bash -c \
    'export PRIVATE_ETC_READY=$$; exec bash "$0" "$@"' "$0" "$@"
fi
private_etc_dir=$(mktemp -d)
mount -t tmpfs tmpfs "$private_etc_dir"
mkdir "$private_etc_dir/upper" "$private_etc_dir/work"
mount -t overlay overlay \
  -o "lowerdir=/etc,upperdir=$private_etc_dir/upper,workdir=$private_etc_dir/work" /etc

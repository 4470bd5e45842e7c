# Sourced by the install tests: a scratch folder removed at exit, together
# with the background program whose process id is in bg_pid; fail MESSAGE.
scratch=$(mktemp -d)
bg_pid=
cleanup() {
  [ -n "$bg_pid" ] && kill "$bg_pid" 2>/dev/null && wait "$bg_pid" 2>/dev/null || true
  rm -rf "$scratch"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; exit 1; }

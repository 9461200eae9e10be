#!/usr/bin/env bash
# Runs a test program where the fixed Firebird ports 3050 and 5050 are surely free: in a
# private network namespace with only its own loopback.
#
#   run-in-netns.sh ROOT EXE ARGS...
#
# The program runs twice, first with a single private server on 3050, then with a single
# one on 5050, so that a connection attempt to the other port finds nothing listening.
# Each run sees ROOT/servers.env (main=<port>, databases=<dir>, netns=1) through
# KOVANTEL_TEST_SERVERS. The result is the first failing exit code, or 0.
# Exits 77 (skipped) when no network namespace can be made, e.g. without root.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

root=${1:?usage: run-in-netns.sh ROOT EXE ARGS...}
exe=${2:?usage: run-in-netns.sh ROOT EXE ARGS...}
shift 2

if [[ -z "${KOVANTEL_IN_NETNS:-}" ]]; then
  if ! unshare -n true 2>/dev/null; then
    echo "SKIPPED: port fallback tests: cannot create a private network namespace" \
      "(unshare -n needs root or CAP_SYS_ADMIN); the fixed ports 3050 and 5050 are not surely free here"
    exit 77
  fi
  exec unshare -n env KOVANTEL_IN_NETNS=1 "$0" "$root" "$exe" "$@"
fi

source "$here/lib/fbserver.sh"

ip link set lo up

mkdir -p "$root"
root=$(cd "$root" && pwd)

ports=(3050 5050)
stop_all() {
  local port
  for port in "${ports[@]}"; do fb_stop "$root/p$port"; done
}
trap stop_all EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

rm -rf "$root/databases"
mkdir -p "$root/databases"

result=0
for port in "${ports[@]}"; do
  server_root="$root/p$port"
  fb_make_root "$server_root"
  if ! fb_port_free "$port"; then
    echo "port $port is taken inside the namespace" >&2
    exit 1
  fi
  fb_start "$server_root" "$port"
  printf 'main=%s\ndatabases=%s\nnetns=1\n' "$port" "$root/databases" > "$root/servers.env"
  echo "== in a private network namespace, the only Firebird server on port $port"
  rc=0
  KOVANTEL_TEST_SERVERS="$root/servers.env" "$exe" "$@" || rc=$?
  fb_stop "$server_root"
  if [[ $rc -ne 0 && $result -eq 0 ]]; then result=$rc; fi
done
exit "$result"

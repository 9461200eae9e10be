#!/usr/bin/env bash
# Runs the crash test against a private Firebird server of its own, which it may kill and
# restart: never one of the servers the rest of the suite shares.
#   run-crash-test.sh WORKDIR CRASH_TEST CRASH_WORKER
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../../scripts/lib/fbserver.sh"

work=${1:?usage: run-crash-test.sh WORKDIR CRASH_TEST CRASH_WORKER}
crash_test=${2:?usage: run-crash-test.sh WORKDIR CRASH_TEST CRASH_WORKER}
worker=${3:?usage: run-crash-test.sh WORKDIR CRASH_TEST CRASH_WORKER}

mkdir -p "$work"
work=$(cd "$work" && pwd)
root=$work/server
# A server left over by an interrupted run would hold the security database.
fb_stop "$root"
fb_make_root "$root"
port=$(fb_random_port)

# The databases keep forced writes on, but lie in memory when the machine has a memory
# file system: a killed process loses nothing the kernel already holds, whatever lies
# below, so what the trials test is the order in which the server hands its pages to the
# kernel, and a disk would only make each save many times slower.
# KOVANTEL_CRASH_DATABASES names another place, e.g. one on disk.
base=${KOVANTEL_CRASH_DATABASES:-}
if [[ -z "$base" ]]; then
  if [[ -d /dev/shm && -w /dev/shm ]]; then base=/dev/shm; else base=$work; fi
fi
mkdir -p "$base"
databases=$(mktemp -d "$base/kovantel-crash.XXXXXX")

# The test stops its server itself; this is for a test that died or was stopped on the way.
child=
cleanup() {
  if [[ -n "$child" ]]; then kill -KILL "$child" 2>/dev/null || true; fi
  fb_stop "$root"
  rm -rf "$databases"
}
trap cleanup EXIT
trap 'exit 143' TERM
trap 'exit 130' INT

# In the background, so that a signal to this script is handled at once.
"$crash_test" "$here/crash-server.sh" "$root" "$port" "$databases" "$worker" &
child=$!
rc=0
wait "$child" || rc=$?
child=
exit "$rc"

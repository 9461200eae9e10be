#!/usr/bin/env bash
# The crash test's hold on its private server: start it (and wait until it listens) or
# stop it, through the project's server functions.
#   crash-server.sh start ROOT PORT | stop ROOT
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../../scripts/lib/fbserver.sh"

case "${1:-}" in
start) fb_start "${2:?root}" "${3:?port}" ;;
stop) fb_stop "${2:?root}" ;;
*)
  echo "usage: $0 start ROOT PORT | stop ROOT" >&2
  exit 2
  ;;
esac

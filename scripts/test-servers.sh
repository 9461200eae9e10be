#!/usr/bin/env bash
# Starts or stops the private Firebird servers of the test suite:
#   main      the server of most tests
#   d20231231 a server whose date is 2023-12-31 (before the change date)
#   d20240101 a server whose date is 2024-01-01 (the change date itself)
# Their ports are written to ROOT/servers.env for the tests to read.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib/fbserver.sh"

action=${1:?start or stop}
root=${2:?root folder}

case "$action" in
start)
  mkdir -p "$root"
  for name in main d20231231 d20240101; do fb_stop "$root/$name"; done
  rm -rf "$root/databases"
  mkdir -p "$root/databases"
  port=$(fb_random_port)
  env_file="$root/servers.env"
  : > "$env_file.tmp"
  for name in main d20231231 d20240101; do
    fb_make_root "$root/$name"
    port=$(fb_free_port "$port")
    case "$name" in
    main) fb_start "$root/$name" "$port" ;;
    d20231231) fb_start "$root/$name" "$port" 2023-12-31 ;;
    d20240101) fb_start "$root/$name" "$port" 2024-01-01 ;;
    esac
    echo "$name=$port" >> "$env_file.tmp"
    port=$((port + 1))
  done
  echo "databases=$root/databases" >> "$env_file.tmp"
  mv "$env_file.tmp" "$env_file"
  echo "Firebird test servers:"; cat "$env_file"
  ;;
stop)
  for name in main d20231231 d20240101; do fb_stop "$root/$name"; done
  ;;
*)
  echo "usage: $0 start|stop ROOT" >&2
  exit 2
  ;;
esac

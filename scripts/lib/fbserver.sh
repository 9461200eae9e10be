# Private Firebird 3 servers: each one has its own root folder (configuration, security
# database, lock and temp folders) and listens on one loopback port. Sourced by the
# test, demo and namespace scripts.

FB_LIBDIR=${FB_LIBDIR:-/usr/lib/x86_64-linux-gnu/firebird/3.0}
FB_SERVER=${FB_SERVER:-/usr/sbin/firebird}
FB_PASSWORD=${FB_PASSWORD:-plumtrove}
FB_FAKETIME_LIB=${FB_FAKETIME_LIB:-/usr/lib/x86_64-linux-gnu/faketime/libfaketimeMT.so.1}

# fb_port_free PORT: true when nothing listens on the TCP port.
fb_port_free() {
  [[ -z "$(ss -Hltn "sport = :$1" 2>/dev/null)" ]]
}

# fb_free_port FIRST: prints the first port from FIRST on that no socket uses, listening
# or connected: a connection's local port also keeps a server from listening there.
fb_free_port() {
  local p=$1
  while [[ -n "$(ss -Htan "sport = :$p" 2>/dev/null)" ]]; do p=$((p + 1)); done
  echo "$p"
}

# fb_random_port: a free port at random below the kernel's range for the local ports of
# outgoing connections. Inside that range, any client's connection may be handed the port
# while its server is down for a restart, and the server then cannot listen there again.
fb_random_port() {
  local low=32768 high
  read -r low high < /proc/sys/net/ipv4/ip_local_port_range 2>/dev/null || true
  local top=$((low - 100)) bottom=10000
  ((top > bottom + 1000)) || bottom=1024
  fb_free_port $((bottom + RANDOM % (top - bottom)))
}

# fb_make_root ROOT: creates the root folder with its own configuration and a security
# database whose SYSDBA password is the one of the host installation.
fb_make_root() {
  local root=$1
  mkdir -p "$root/lock" "$root/tmp"
  local item
  for item in plugins firebird.msg plugins.conf; do
    ln -sfn "$FB_LIBDIR/$item" "$root/$item"
  done
  # The character sets module must be a real file under the root: reached through a
  # symbolic link it does not count as installed, and WIN1252 goes missing.
  [[ -L "$root/intl" ]] && rm -f "$root/intl"
  mkdir -p "$root/intl"
  cp -f "$FB_LIBDIR/intl/libfbintl.so" "$root/intl/libfbintl.so"
  cp -f "$FB_LIBDIR/intl/fbintl.conf" "$root/intl/fbintl.conf"
  cat > "$root/firebird.conf" <<CONF
SecurityDatabase = $root/security.fdb
RemoteBindAddress = 127.0.0.1
UdfAccess = None
AuthServer = Srp
UserManager = Srp
WireCrypt = Enabled
CONF
  : > "$root/databases.conf"
  if [[ ! -f "$root/security.fdb" ]]; then
    cat > "$root/security.sql" <<SQL
create database '$root/security.fdb' user 'SYSDBA';
create or alter user SYSDBA password '$FB_PASSWORD' using plugin Srp;
commit;
SQL
    FIREBIRD=$root FIREBIRD_LOCK=$root/lock FIREBIRD_TMP=$root/tmp isql-fb -q -i "$root/security.sql" \
      > "$root/security.log" 2>&1 || { cat "$root/security.log" >&2; return 1; }
  fi
}

# fb_start ROOT PORT [DATE]: starts the server in the background, under faketime when a
# date is given, and waits until it listens.
fb_start() {
  local root=$1 port=$2 date=${3:-}
  local -a fake=()
  if [[ -n "$date" ]]; then
    # The preload itself rather than the faketime wrapper, so that the recorded pid is
    # the server's own and a TERM reaches it. The clock starts at that date and runs on.
    fake=(LD_PRELOAD="$FB_FAKETIME_LIB" FAKETIME="@$date 10:00:00" FAKETIME_DONT_RESET=1)
  fi
  env FIREBIRD="$root" FIREBIRD_LOCK="$root/lock" FIREBIRD_TMP="$root/tmp" "${fake[@]}" \
    setsid "$FB_SERVER" -p "$port" < /dev/null > "$root/server.log" 2>&1 &
  echo $! > "$root/server.pid"
  echo "$port" > "$root/server.port"
  local i
  for i in $(seq 1 100); do
    if ! fb_port_free "$port"; then return 0; fi
    if ! kill -0 "$(cat "$root/server.pid")" 2>/dev/null; then break; fi
    sleep 0.1
  done
  echo "Firebird server in $root did not start on port $port:" >&2
  cat "$root/server.log" "$root/firebird.log" 2>/dev/null >&2
  return 1
}

# fb_stop ROOT: ends the server of that root, if it runs.
fb_stop() {
  local root=$1 pid
  [[ -f "$root/server.pid" ]] || return 0
  pid=$(cat "$root/server.pid")
  if kill -0 "$pid" 2>/dev/null; then
    kill -TERM "$pid" 2>/dev/null || true
    local i
    for i in $(seq 1 100); do
      kill -0 "$pid" 2>/dev/null || break
      sleep 0.1
    done
    kill -KILL "$pid" 2>/dev/null || true
  fi
  rm -f "$root/server.pid"
}

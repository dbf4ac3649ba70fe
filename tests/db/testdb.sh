#!/usr/bin/env bash
# A throwaway PostgreSQL 15 cluster for the tests and the demo.
#   testdb.sh start DIR   initdb in DIR, start on a free loopback port, create the schema,
#                         write DIR/odbc.ini with the data sources ZEM (the program's default
#                         logon database) and ZEMDOWN (a port where nothing listens)
#   testdb.sh stop DIR    stop the cluster and remove DIR
# Logon: user JPX, password JPX (the program's built-in values), database zemdb; user zemsys
# (password Geheim#2026) has JPX's rights, for tests that look for the password in output.
set -euo pipefail
cmd=${1:?start or stop}
dir=$(realpath -m "${2:?folder}")
bin=/usr/lib/postgresql/15/bin
driver=/usr/lib/x86_64-linux-gnu/odbc/psqlodbcw.so

as_owner() {
    if [ "$(id -u)" = 0 ]; then runuser -u postgres -- "$@"; else "$@"; fi
}

stop() {
    if [ -f "$dir/data/postmaster.pid" ]; then
        as_owner "$bin/pg_ctl" -D "$dir/data" -m immediate -w stop >/dev/null 2>&1 || true
    fi
    rm -rf "$dir"
}

free_port() {
    python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}

psql_admin() {
    as_owner "$bin/psql" -X -q -v ON_ERROR_STOP=1 -h "$dir" -p "$(cat "$dir/port")" -U postgres "$@"
}

start() {
    stop
    mkdir -p "$dir"
    [ "$(id -u)" = 0 ] && chown postgres "$dir"
    as_owner "$bin/initdb" -D "$dir/data" -U postgres -A trust --auth-host=scram-sha-256 \
        -E UTF8 --locale=C.UTF-8 >"$dir/initdb.log" 2>&1
    free_port >"$dir/port"
    local port down
    port=$(cat "$dir/port")
    down=$(free_port)
    as_owner "$bin/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 60 \
        -o "-c listen_addresses=127.0.0.1 -p $port -c unix_socket_directories=$dir -c fsync=off" \
        start >/dev/null
    psql_admin -d postgres -c "create role \"JPX\" login password 'JPX'" \
        -c "create role zemsys login password 'Geheim#2026' in role \"JPX\"" \
        -c "create database zemdb owner \"JPX\""
    psql_admin -d zemdb -c "alter schema public owner to \"JPX\""
    PGPASSWORD=JPX "$bin/psql" -X -q -v ON_ERROR_STOP=1 -h 127.0.0.1 -p "$port" -U JPX -d zemdb \
        -f "$(dirname "$0")/schema.sql"
    cat >"$dir/odbc.ini" <<INI
[ZEM]
Driver=$driver
Servername=127.0.0.1
Port=$port
Database=zemdb
ByteaAsLongVarBinary=1
CommLog=0
Debug=0

[ZEMDOWN]
Driver=$driver
Servername=127.0.0.1
Port=$down
Database=zemdb
CommLog=0
Debug=0
INI
    chmod -R a+rX "$dir"
    echo "test database on 127.0.0.1:$port, ODBCINI=$dir/odbc.ini"
}

case $cmd in
start) start ;;
stop) stop ;;
*) echo "usage: $0 start|stop DIR" >&2; exit 2 ;;
esac

#!/usr/bin/env bash
# A throwaway PostgreSQL 15 cluster for the tests and the demo.
#   testdb.sh start DIR   start a cluster on a free loopback port, create the schema, write
#                         DIR/port and DIR/odbc.ini with the data sources ZEM (the program's
#                         default logon database), ZEMDOWN (a port where nothing listens) and
#                         ZEMNODRIVER (a driver library that is not there);
#                         a cluster already started for DIR is stopped first
#   testdb.sh stop DIR    stop the cluster and remove it and DIR (also after a crashed run)
# The cluster itself (data folder, socket, logs) lives in a folder of its own under the
# system's temporary folder, named in DIR/cluster: run as root, the server runs as the
# postgres user, which cannot reach DIR when DIR lies below a private folder.
# Logon: user JPX, password JPX (the program's built-in values), database zemdb; user zemsys
# (password Geheim#2026) has JPX's rights, for tests that look for the password in output.
set -euo pipefail
cmd=${1:?start or stop}
dir=$(realpath -m "${2:?folder}")
bin=/usr/lib/postgresql/15/bin
driver=/usr/lib/x86_64-linux-gnu/odbc/psqlodbcw.so

as_owner() {
    # From / : the server's tools look up the current folder, which may be a private one.
    if [ "$(id -u)" = 0 ]; then (cd / && runuser -u postgres -- "$@"); else "$@"; fi
}

stop() {
    local cluster
    if [ -f "$dir/cluster" ]; then
        cluster=$(cat "$dir/cluster")
        # Only a folder this script made.
        case $(basename "$cluster") in
        zem-testdb.??????)
            if [ -f "$cluster/data/postmaster.pid" ]; then
                as_owner "$bin/pg_ctl" -D "$cluster/data" -m immediate -w stop >/dev/null 2>&1 || true
            fi
            rm -rf "$cluster"
            ;;
        esac
    fi
    rm -rf "$dir"
}

free_port() {
    python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}

psql_admin() {
    as_owner "$bin/psql" -X -q -v ON_ERROR_STOP=1 -h "$cluster" -p "$(cat "$dir/port")" -U postgres "$@"
}

start() {
    stop
    mkdir -p "$dir"
    cluster=$(mktemp -d "${TMPDIR:-/tmp}/zem-testdb.XXXXXX")
    echo "$cluster" >"$dir/cluster"
    [ "$(id -u)" = 0 ] && chown postgres "$cluster"
    if ! as_owner "$bin/initdb" -D "$cluster/data" -U postgres -A trust --auth-host=scram-sha-256 \
        -E UTF8 --locale=C.UTF-8 >"$dir/initdb.log" 2>&1; then
        cat "$dir/initdb.log" >&2
        exit 1
    fi
    free_port >"$dir/port"
    local port down
    port=$(cat "$dir/port")
    down=$(free_port)
    as_owner "$bin/pg_ctl" -D "$cluster/data" -l "$cluster/server.log" -w -t 60 \
        -o "-c listen_addresses=127.0.0.1 -p $port -c unix_socket_directories=$cluster -c fsync=off" \
        start >/dev/null || { cat "$cluster/server.log" >&2; exit 1; }
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

[ZEMNODRIVER]
Driver=/nonexistent/zem-no-driver.so
Servername=127.0.0.1
Port=$port
Database=zemdb
INI
    echo "test database on 127.0.0.1:$port, ODBCINI=$dir/odbc.ini"
}

case $cmd in
start) start ;;
stop) stop ;;
*) echo "usage: $0 start|stop DIR" >&2; exit 2 ;;
esac

#!/usr/bin/env bash
# The main job on the demo setup: installs what is missing, builds, starts a demo
# PostgreSQL (a throwaway cluster in demo/db, loopback only), publishes a demo application
# with the catalogue tool, and runs ZEM_Start.exe under Wine (with a virtual display when
# there is none) so that it fills the program folder and starts the stand-in application.
# A second call reuses the database, the published catalogue and the Wine prefix.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
demo="$root/demo"
bash "$root/tools/install-deps.sh"
bash "$root/tools/build.sh" win64 win32 native >/dev/null
mkdir -p "$demo"

# Database: reuse a running demo cluster.
if ! [ -f "$demo/db/port" ] || ! /usr/lib/postgresql/15/bin/pg_isready -q -h 127.0.0.1 -p "$(cat "$demo/db/port")"; then
    bash "$root/tests/db/testdb.sh" start "$demo/db"
fi
export ODBCINI="$demo/db/odbc.ini"
catalogue() { "$root/build/native/zem_catalogue" "$@"; }

# The demo application: the stand-in as ZEM.exe and files of realistic sizes.
pub="$demo/publish"
if [ ! -d "$pub" ]; then
    mkdir -p "$pub/lib" "$pub/help" "$pub/reports"
    cp "$root/build/win64/ZEM_standin.exe" "$pub/ZEM.exe"
    head -c $((6 * 1024 * 1024)) /dev/urandom >"$pub/lib/zemcore.dll"
    head -c $((40 * 1024 * 1024)) /dev/urandom >"$pub/lib/zemdata.pak"
    seq -f 'Hilfeseite %g: Tagungen, Teilnehmer, Räume und Rechnungen.' 1 60000 >"$pub/help/hilfe.txt"
    for r in Teilnehmerliste Rechnung Raumplan; do
        seq -f "$r Zeile %g" 1 20000 >"$pub/reports/$r.rpt"
    done
fi
catalogue publish "$pub"
catalogue tenant "Demo Tagungshaus GmbH"

# Wine: a virtual display when there is none, and a prepared prefix.
. "$root/tests/system/harness.sh"
xvfb=""
if [ -z "${DISPLAY:-}" ]; then
    start_display "$demo"
    xvfb=$(cat "$demo/xvfb.pid")
fi
[ -d "$demo/wine/drive_c" ] || make_prefix "$demo/wine"
export WINEPREFIX="$demo/wine" WINEDEBUG=-all
wine=$WINE

app="$demo/app"
mkdir -p "$app"
cp "$root/build/win64/ZEM_Start.exe" "$app/"
rm -f "$demo/launch-record.txt" "$demo/screenshot.png"
export ZEM_STANDIN_RECORD
ZEM_STANDIN_RECORD="Z:$(echo "$demo/launch-record.txt" | tr / '\\')"
(cd "$app" && WINEDEBUG=-all,warn+seh timeout 60 "$wine" ZEM_Start.exe 2>"$demo/wine.log") &
zem=$!
# A screenshot of the start window while the large file arrives.
for _ in $(seq 300); do grep -qa "zemdata.pak" "$demo/wine.log" 2>/dev/null && break; sleep 0.1; done
sleep 0.3
import -window root "$demo/screenshot.png" 2>/dev/null || true
wait "$zem" || echo "ZEM_Start.exe ended with $?"
for _ in $(seq 50); do [ -s "$demo/launch-record.txt" ] && break; sleep 0.1; done
"$WINESERVER" -w 2>/dev/null || true
[ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null || true

echo
echo "Program folder: $app/ZEM_JPX_EXE"
(cd "$app/ZEM_JPX_EXE" && find . -type f -printf '  %P  %s bytes\n' | sort)
echo "Trace of the run:"
trace_lines <"$demo/wine.log" | sed 's/^/  /'
echo "Started application's record ($demo/launch-record.txt):"
sed 's/^/  /' "$demo/launch-record.txt" 2>/dev/null || echo "  (the application was not started)"
echo "Screenshot of the start window during the transfer: $demo/screenshot.png"
echo "Demo database: ODBCINI=$ODBCINI (stop it with: bash '$root/tests/db/testdb.sh' stop '$demo/db')"

#!/usr/bin/env bash
# Benchmarks on an optimised build without sanitizers (build/release) against a throwaway
# PostgreSQL. Prints figures; asserts nothing.
#   bash tools/bench.sh [transfer] [smallfiles] [catalogue] [desks] [wine] [publish]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/tools/install-deps.sh"
rel="$root/build/release"
cmake -S "$root" -B "$rel" -G Ninja -DCMAKE_BUILD_TYPE=Release -DZEM_SANITIZE=OFF >/dev/null
cmake --build "$rel" --target transfer_bench catalogue_bench desks_bench publish_bench zem_catalogue >/dev/null
work="$rel/bench-work"
rm -rf "$work"
mkdir -p "$work"
bash "$root/tests/db/testdb.sh" start "$work/db" >/dev/null
trap 'bash "$root/tests/db/testdb.sh" stop "$work/db"' EXIT
export ODBCINI="$work/db/odbc.ini"
port=$(cat "$work/db/port")
sql() { PGPASSWORD=JPX psql -X -q -h 127.0.0.1 -p "$port" -U JPX -d zemdb "$@"; }
what=("$@")
[ ${#what[@]} -gt 0 ] || what=(transfer smallfiles catalogue desks wine publish)

for w in "${what[@]}"; do
case $w in
transfer)
    # 64 MiB of real program files (shared libraries of this machine) and 64 MiB of random bytes.
    mkdir -p "$work/real" "$work/random"
    (set +o pipefail
     find /usr/lib/x86_64-linux-gnu -maxdepth 1 -name '*.so*' -type f -print0 | sort -z |
         xargs -0 cat 2>/dev/null | head -c $((64 * 1024 * 1024)) >"$work/real/program.bin")
    head -c $((64 * 1024 * 1024)) /dev/urandom >"$work/random/random.bin"
    mv "$work/random/random.bin" "$work/real/random.bin"
    "$rel/zem_catalogue" publish "$work/real" >/dev/null
    sql -c "create table benchbytea (id integer, data bytea)" \
        -c "insert into benchbytea select cfid, lo_get(cffile) from zemfiles"
    echo "== transfer (large object, then bytea)"
    for name in program.bin random.bin; do
        id=$(sql -At -c "select cfid from zemfiles where cfname = '$name'")
        "$rel/transfer_bench" ZEMFILES CFFILE "where cfid = $id" "lo    $name" "$work/out.bin"
        cmp -s "$work/out.bin" "$work/real/$name" || { echo "unpacked file differs"; exit 1; }
        "$rel/transfer_bench" benchbytea data "where id = $id" "bytea $name" "$work/out.bin"
    done
    ;;
smallfiles)
    # A first run of 1,000 small files (4 KiB each) natively, three times: the per-file cost
    # of a replacement (temporary file, flush, renames, stamp).
    echo "== 1,000 small files, whole update run (native, real files)"
    mkdir -p "$work/small"
    for i in $(seq 1 1000); do head -c 4096 /dev/urandom >"$work/small/file$i.dll"; done
    "$rel/zem_catalogue" publish "$work/small" >/dev/null
    for _ in 1 2 3; do "$rel/desks_bench" 1 "$work/small-desk" "$work/small"; done
    ;;
catalogue)
    echo "== catalogue of current files: decision per entry (in-memory doubles)"
    "$rel/catalogue_bench"
    ;;
desks)
    echo "== many desks at once: concurrent update runs against one server"
    mkdir -p "$work/desk-publish/lib"
    for i in $(seq 1 20); do head -c $((1024 * 1024)) /dev/urandom >"$work/desk-publish/lib/part$i.dll"; done
    "$rel/zem_catalogue" publish "$work/desk-publish" >/dev/null
    for n in 1 10 50; do
        before=$(awk '{print $14 + $15 + $16 + $17}' /proc/$(head -1 "$(cat "$work/db/cluster")/data/postmaster.pid")/stat)
        "$rel/desks_bench" "$n" "$work/desks" "$work/desk-publish"
        after=$(awk '{print $14 + $15 + $16 + $17}' /proc/$(head -1 "$(cat "$work/db/cluster")/data/postmaster.pid")/stat)
        echo "   server CPU (postmaster and ended backends): $(( (after - before) * 10 )) ms"
    done
    ;;
wine)
    # The whole run under Wine for 1,000 and 10,000 entries (a tenth folders, the rest small
    # files). Wine keeps no creation times, so this run fetches every file: a first run.
    bash "$root/tools/build.sh" win64 >/dev/null
    . "$root/tests/system/harness.sh"
    start_display "$work"
    make_prefix "$work/wine"
    echo "== whole run under Wine (first run: every file fetched)"
    for folders in 100 1000; do
        pubdir="$work/scale-$folders"
        for f in $(seq 1 "$folders"); do
            mkdir -p "$pubdir/modul$f"
            for i in $(seq 1 9); do echo "Datei $i im Modul $f" >"$pubdir/modul$f/datei$i.dll"; done
        done
        "$rel/zem_catalogue" publish "$pubdir" >/dev/null
        app="$work/wine-app-$folders"
        mkdir -p "$app"
        cp "$root/build/win64/ZEM_Start.exe" "$app/"
        start=$(date +%s.%N)
        (cd "$app" && WINEDEBUG=-all timeout 600 "$WINE" ZEM_Start.exe /UPDATE_ONLY)
        end=$(date +%s.%N)
        n=$(find "$app/ZEM_JPX_EXE" -type f | wc -l)
        awk -v s="$start" -v e="$end" -v f="$folders" -v n="$n" 'BEGIN {
            printf "%6d entries: %.1f s wall, %.2f ms per entry, %d files arrived\n", f * 10, e - s, (e - s) * 1000 / (f * 10), n }'
    done
    kill "$(cat "$work/xvfb.pid")" 2>/dev/null || true
    "$WINESERVER" -k 2>/dev/null || true
    ;;
publish)
    # Peak memory of publishing one 256 MiB file (random bytes: the stored stream is as large
    # as the file), into a large-object and into a bytea catalogue, one process each.
    mkdir -p "$work/publish-big"
    head -c $((256 * 1024 * 1024)) /dev/urandom >"$work/publish-big/big.bin"
    echo "== publishing a 256 MiB file (catalogue tool's code, one transaction)"
    "$rel/publish_bench" "$work/publish-big" lo
    "$rel/publish_bench" "$work/publish-big" bytea
    ;;
esac
done

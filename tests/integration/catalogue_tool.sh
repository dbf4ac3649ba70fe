#!/usr/bin/env bash
# The catalogue tool against the test database: publish, change one file, publish again
# (only that row changes), verify, remove a file, and clear errors.
set -euo pipefail
tool=${1:?zem_catalogue}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
dir="$work/app"
mkdir -p "$dir/lib"
head -c 300000 /dev/urandom >"$dir/lib/a.dll"
seq 1 20000 >"$dir/b.txt"
echo program >"$dir/ZEM.exe"

"$tool" publish "$work/empty-does-not-exist" 2>"$work/err" && fail "missing folder accepted"
grep -q "Ordner nicht gefunden" "$work/err" || fail "unclear error for a missing folder"
"$tool" --database ZEMDOWN list 2>"$work/err" && fail "unreachable database accepted"
grep -q "127.0.0.1" "$work/err" || fail "unclear error for an unreachable database: $(cat "$work/err")"

mkdir -p "$work/empty"
"$tool" publish "$work/empty" >/dev/null
"$tool" publish "$dir" | tail -1 | grep -qx "4 published, 0 unchanged, 0 removed" || fail "first publish"
"$tool" list >"$work/list1"
"$tool" verify "$dir" | tail -1 | grep -qx "3 entries, 0 bad" || fail "verify after publish"

seq 1 30000 >"$dir/b.txt"
touch -d "2026-06-01 12:00:00.250" "$dir/b.txt"
"$tool" publish "$dir" | tail -1 | grep -qx "1 published, 3 unchanged, 0 removed" ||
    fail "republish after one change"
"$tool" list >"$work/list2"
[ "$(diff "$work/list1" "$work/list2" | grep -c '^>')" = 1 ] || fail "more than one row changed"
grep -q "b.txt .*2026-06-01 12:00:00.250" "$work/list2" || fail "the changed row has not the file's time"
"$tool" verify "$dir" | tail -1 | grep -qx "3 entries, 0 bad" || fail "verify after the change"

rm "$dir/lib/a.dll"
"$tool" publish "$dir" | tail -1 | grep -q "1 removed" || fail "deleted file not removed"
"$tool" publish "$work/empty" >/dev/null
echo "catalogue tool: passed"

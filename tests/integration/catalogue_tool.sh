#!/usr/bin/env bash
# The catalogue tool against the test database: publish, change one file, publish again
# (only that row changes), verify, remove a file, an odd file name from the command line,
# a failing publish that changes nothing, names the desks would refuse, and clear errors.
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

# A name with a quote, a semicolon and letters outside Latin-1, as an argument and a file.
odd="Grüße; O'Brien Ωmega"
mkdir -p "$work/$odd"
echo inhalt >"$work/$odd/$odd.txt"
"$tool" publish "$work/$odd" --window-bits 9 | tail -1 | grep -qx "1 published, 0 unchanged, 3 removed" ||
    fail "odd folder not published"
"$tool" list | grep -qF "$odd.txt" || fail "odd name not listed"
"$tool" verify "$work/$odd" | tail -1 | grep -qx "1 entries, 0 bad" || fail "odd name does not verify"

# A file that cannot be read half-way through: nothing changes, the reason is given.
"$tool" list >"$work/before"
echo more >"$work/$odd/b.txt"
ln -s "$work/gone" "$work/$odd/c.txt"
"$tool" publish "$work/$odd" >/dev/null 2>"$work/err" && fail "unreadable file accepted"
grep -q "c.txt" "$work/err" || fail "the failing file is not named: $(cat "$work/err")"
grep -q "nothing was changed" "$work/err" || fail "no word on the roll back"
"$tool" list | diff -q - "$work/before" >/dev/null || fail "a failed publish changed the catalogue"

# Names the desks would refuse are refused before anything is written.
for bad in "help.chm.old" "NUL.txt" "trailing." "x.zemnew"; do
    mkdir -p "$work/bad"
    : >"$work/bad/$bad"
    "$tool" publish "$work/bad" >/dev/null 2>"$work/err" && fail "name $bad accepted"
    grep -q "Kein zulässiger Name im Programmordner: $bad" "$work/err" || fail "unclear error for $bad"
    rm -rf "$work/bad"
done
"$tool" list | diff -q - "$work/before" >/dev/null || fail "a refused publish changed the catalogue"

rc=0; "$tool" publish "$dir" --date "2026-02-30 00:00:00" 2>/dev/null || rc=$?
[ $rc = 2 ] || fail "impossible date not refused as a usage error"
rc=0; "$tool" frobnicate 2>/dev/null || rc=$?
[ $rc = 2 ] || fail "unknown command not refused as a usage error"
"$tool" publish "$work/empty" >/dev/null
echo "catalogue tool: passed"

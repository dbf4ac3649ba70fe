#!/usr/bin/env bash
# The shipping build, which Wine on this kernel cannot run: a 32-bit installer that asks for
# elevation and packs the 32-bit program; one version number in both programs' version
# resources and manifests and in the installer's name.
#   shipping_build.sh WIN32_DIR WIN64_DIR VERSION
set -euo pipefail
win32=$1 win64=$2 version=$3
fail() { echo "FAIL: $*" >&2; exit 1; }

# The machine field of a PE file's header: 14c for i386, 8664 for x86_64.
machine() {
    local pe
    pe=$(od -An -tu4 -j60 -N4 "$1" | tr -d ' ')
    od -An -tx2 -j$((pe + 4)) -N2 "$1" | tr -d ' ' | sed "s/^0*//"
}

setup="$win32/setup/ZEM_Setup-$version.exe"
[ -f "$setup" ] || fail "no $setup"
[ "$(machine "$setup")" = 14c ] || fail "the shipping installer is not a 32-bit program"
grep -aq 'requestedExecutionLevel level="requireAdministrator"' "$setup" ||
    fail "the shipping installer does not ask for elevation"
cmp "$win32/ZEM_Start.exe" "$win32/setup/ZEM_Start.exe" || fail "the installer packs another program"
[ "$(machine "$win32/ZEM_Start.exe")" = 14c ] || fail "the shipping program is not a 32-bit program"

for exe in "$win32/ZEM_Start.exe" "$win64/ZEM_Start.exe"; do
    for key in FileVersion ProductVersion; do
        got=$(strings -el "$exe" | grep -A1 -x "$key" | sed -n 2p)
        [ "$got" = "$version.0" ] || fail "$exe: $key is '$got', not $version.0"
    done
    grep -aq "name=\"Zemora.ZEM_Start\" version=\"$version.0\"" "$exe" ||
        fail "$exe: the manifest's assembly identity is not version $version.0"
    grep -aq 'requestedExecutionLevel level="asInvoker"' "$exe" || fail "$exe: not asInvoker"
done
echo "shipping build $version checked"

#!/usr/bin/env bash
# Authenticode signing with osslsigncode.
#   sign.sh [--timestamp URL] PFX [PASSWORD-FILE]
#       signs the shipping build: build/win32/ZEM_Start.exe is copied to build/win32/signed/
#       and signed, and build/win32/signed/ZEM_Setup-<version>.exe is built from it, its
#       uninstaller and itself signed. Build build/win32 first (tools/build.sh win32).
#   sign.sh [--timestamp URL] --file FILE PFX [PASSWORD-FILE]
#       signs one file in place.
# PFX is a PKCS#12 file with the certificate and its key; PASSWORD-FILE holds its password.
# A real certificate wants a time stamp, so that signatures outlive it: --timestamp URL (or
# ZEM_SIGN_TIMESTAMP=URL), e.g. http://timestamp.digicert.com.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
usage() {
    echo "usage: $0 [--timestamp URL] [--file FILE] PFX [PASSWORD-FILE]" >&2
    exit 2
}
file=""
while [ $# -gt 0 ]; do
    case $1 in
    --timestamp) [ $# -ge 2 ] || usage; export ZEM_SIGN_TIMESTAMP=$2; shift 2 ;;
    --file) [ $# -ge 2 ] || usage; file=$2; shift 2 ;;
    -*) usage ;;
    *) break ;;
    esac
done
[ $# -ge 1 ] && [ $# -le 2 ] || usage
pfx=$1 pwfile=${2:-}
[ -f "$pfx" ] || { echo "no certificate file: $pfx" >&2; exit 2; }
[ -z "$pwfile" ] || [ -f "$pwfile" ] || { echo "no password file: $pwfile" >&2; exit 2; }

if [ -n "$file" ]; then
    args=(sign -pkcs12 "$pfx" -h sha256 -n "ZEM" -in "$file" -out "$file.signed")
    [ -z "$pwfile" ] || args+=(-readpass "$pwfile")
    [ -z "${ZEM_SIGN_TIMESTAMP:-}" ] || args+=(-ts "$ZEM_SIGN_TIMESTAMP")
    rm -f "$file.signed"
    osslsigncode "${args[@]}" >/dev/null || { rm -f "$file.signed"; echo "signing failed: $file" >&2; exit 1; }
    mv -f "$file.signed" "$file"
    exit 0
fi

build="$root/build/win32"
[ -f "$build/ZEM_Start.exe" ] || { echo "no $build/ZEM_Start.exe: run tools/build.sh win32 first" >&2; exit 2; }
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
bash "$root/tools/make-installer.sh" "$build/ZEM_Start.exe" "$version" x86-unicode "$build/signed" "$pfx" ${pwfile:+"$pwfile"}
echo "$build/signed/ZEM_Start.exe"

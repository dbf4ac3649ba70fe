#!/usr/bin/env bash
# Builds the installer from installer/ZEM_Setup.nsi:
#   make-installer.sh PROGRAM VERSION TARGET OUTDIR [PFX [PASSWORD-FILE]]
# PROGRAM is the ZEM_Start.exe to pack, TARGET the NSIS target (x86-unicode for the shipping
# 32-bit program, amd64-unicode for the x86_64 one). Writes OUTDIR/ZEM_Start.exe (the file
# packed) and OUTDIR/ZEM_Setup-VERSION.exe. With a certificate, both and the uninstaller
# inside are signed (tools/sign.sh; ZEM_SIGN_TIMESTAMP names a time-stamp server).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
[ $# -ge 4 ] || { echo "usage: $0 PROGRAM VERSION TARGET OUTDIR [PFX [PASSWORD-FILE]]" >&2; exit 2; }
program=$1 version=$2 target=$3 outdir=$4 pfx=${5:-} pwfile=${6:-}
mkdir -p "$outdir"
outdir=$(realpath "$outdir")
setup="$outdir/ZEM_Setup-$version.exe"
packed="$outdir/ZEM_Start.exe"
cp "$program" "$packed.tmp"
mv -f "$packed.tmp" "$packed"
rm -f "$setup"
defines=(-DVERSION="$version" -DTARGET="$target" -DPROGRAM="$packed" -DOUTFILE="$setup")
if [ -n "$pfx" ]; then
    pfx=$(realpath "$pfx")
    [ -z "$pwfile" ] || pwfile=$(realpath "$pwfile")
    bash "$root/tools/sign.sh" --file "$packed" "$pfx" ${pwfile:+"$pwfile"}
    # makensis runs this on the uninstaller before packing it and on the finished installer.
    defines+=(-DSIGN="bash \"$root/tools/sign.sh\" --file \"%1\" \"$pfx\"${pwfile:+ \"$pwfile\"}")
fi
makensis -V2 -WX -INPUTCHARSET UTF8 "${defines[@]}" "$root/installer/ZEM_Setup.nsi"
echo "$setup"

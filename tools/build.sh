#!/usr/bin/env bash
# Builds one or more targets into build/<target>:
#   native  Linux g++: portable logic, database layer, tests and tools (ASan/UBSan)
#   win32   MinGW i686: the shipping ZEM_Start.exe
#   win64   MinGW x86_64: the same program, for the system tests under Wine
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(win64 win32 native)
for t in "${targets[@]}"; do
    case $t in
    native) args=(-DCMAKE_BUILD_TYPE=Debug -DZEM_WIN64_DIR="$root/build/win64" -DZEM_WIN32_DIR="$root/build/win32") ;;
    win32) args=(-DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake") ;;
    win64) args=(-DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-x86_64.cmake") ;;
    *) echo "unknown target $t" >&2; exit 2 ;;
    esac
    cmake -S "$root" -B "$root/build/$t" -G Ninja "${args[@]}" >/dev/null
    cmake --build "$root/build/$t"
done

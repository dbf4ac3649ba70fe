#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the demo need; only what is
# missing, unless --always is given (CI).
set -euo pipefail
packages=(cmake ninja-build g++ libgtest-dev zlib1g-dev
          g++-mingw-w64-i686 g++-mingw-w64-x86-64 libz-mingw-w64-dev
          unixodbc unixodbc-dev odbc-postgresql postgresql
          wine wine64 xvfb fonts-wine imagemagick fonts-dejavu-core python3
          clang libclang-rt-14-dev nsis osslsigncode openssl)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ "${1:-}" = --always ] || [ ${#missing[@]} -gt 0 ]; then
    sudo=""
    [ "$(id -u)" = 0 ] || sudo=sudo
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${packages[@]}" >/dev/null
fi

#!/usr/bin/env bash
# Runs every test: installs what is missing, builds the three targets, then ctest runs the
# unit tests, the integration tests (throwaway PostgreSQL) and the system tests (Wine).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/tools/install-deps.sh"
bash "$root/tools/build.sh" win64 win32 native
cd "$root/build/native"
ctest --output-on-failure -j2 "$@"

#!/usr/bin/env bash
# Runs every test: installs what is missing, checks the include layers, builds the three targets, runs each fuzzer for
# a bounded time (ZEM_FUZZ_SECONDS, default 30), then ctest runs the unit tests, the
# integration tests (throwaway PostgreSQL) and the system tests (Wine).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/tools/install-deps.sh"
bash "$root/tools/check-layers.sh"
bash "$root/tools/build.sh" win64 win32 native
bash "$root/tools/fuzz.sh" "${ZEM_FUZZ_SECONDS:-30}"
cd "$root/build/native"
ctest --output-on-failure -j2 "$@"

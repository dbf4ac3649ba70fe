#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (ASan and UBSan) and runs each for a bounded
# time on its corpus in tests/fuzz/corpus. New finds go to build/fuzz/new-inputs/<target>
# (the tracked corpus is only read); copy the useful ones into the corpus by hand.
#   bash tools/fuzz.sh [SECONDS per target, default 60]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
CC=clang CXX=clang++ cmake -S "$root" -B "$root/build/fuzz" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DZEM_FUZZ=ON >/dev/null
cmake --build "$root/build/fuzz" >/dev/null
for f in commandline profile inflate targetpath; do
    corpus="$root/tests/fuzz/corpus/$f"
    found="$root/build/fuzz/new-inputs/$f"
    mkdir -p "$found"
    echo "fuzz_$f: ${seconds}s"
    log="$root/build/fuzz/fuzz_$f.log"
    if ! "$root/build/fuzz/fuzz_$f" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -max_len=65536 -print_final_stats=1 -artifact_prefix="$root/build/fuzz/" "$found" "$corpus" >"$log" 2>&1; then
        tail -40 "$log"
        echo "fuzz_$f failed"
        exit 1
    fi
    grep -E "^stat::number_of_executed_units|^Done" "$log" || true
done

#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (AddressSanitizer and UndefinedBehaviorSanitizer)
# and runs each for a bounded time. Usage: fuzz.sh [SECONDS_SCALE]
#   FUZZ_ONLY=name runs one target; FUZZ_SECONDS=N overrides every target's time.
set -euo pipefail
shopt -s nullglob
cd "$(dirname "$0")/.."

build=build/fuzz
CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DQUORVEL_SANITIZE=ON -DQUORVEL_BUILD_FUZZ=ON -DQUORVEL_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j "$(nproc)"

# Seconds each target runs in CI (long runs are made by hand); a target not named here gets 20.
declare -A seconds=([pe_fuzzer]=40 [set_db_fuzzer]=10 [procfs_fuzzer]=15 [scan_report_fuzzer]=10)

for exe in "$build"/bin/*_fuzzer; do
    name=$(basename "$exe")
    [[ -n "${FUZZ_ONLY:-}" && "$name" != "$FUZZ_ONLY" ]] && continue
    time=${FUZZ_SECONDS:-${seconds[$name]:-20}}
    corpus="$build/corpus/$name"
    mkdir -p "$corpus"
    seeds=()
    [[ -d "fuzz/seeds/${name%_fuzzer}" ]] && seeds+=("fuzz/seeds/${name%_fuzzer}")
    echo "fuzz: $name for ${time}s"
    "$exe" -max_total_time="$time" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
        -artifact_prefix="$build/" "$corpus" "${seeds[@]}" 2>&1 | tail -n 12
    status=${PIPESTATUS[0]}
    if ((status != 0)); then
        echo "fuzz: $name failed ($status)"
        exit 1
    fi
done

#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a bounded time
# on its seed corpus (tests/data/fuzz/<name>/). Any crash fails.
#   scripts/fuzz.sh [seconds per target, default 60]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
dir="$root/build-fuzz"
CC=clang CXX=clang++ cmake -S "$root" -B "$dir" $(command -v ninja >/dev/null && echo -G Ninja) \
    -DKERFLOOM_BUILD_FUZZ=ON -DKERFLOOM_BUILD_TESTS=OFF -DKERFLOOM_BUILD_BENCH=OFF \
    -DKERFLOOM_SANITIZE=address,undefined -DCMAKE_BUILD_TYPE=RelWithDebInfo
# Only the fuzz targets: the programs are not needed to fuzz the readers.
targets=$(sed -n 's/^kerfloom_add_fuzzer(\([a-z_]*\) .*/fuzz_\1/p' "$root/fuzz/CMakeLists.txt")
# shellcheck disable=SC2086
cmake --build "$dir" -j"${KERFLOOM_JOBS:-2}" --target $targets
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
for fuzzer in "$dir"/fuzz/fuzz_*; do
    [[ -f $fuzzer && -x $fuzzer ]] || continue
    name=${fuzzer##*/fuzz_}
    seeds="$root/tests/data/fuzz/$name"
    work=$(mktemp -d)
    echo "fuzz: $name for ${seconds}s"
    log="$work.log"
    # A finding is kept as crash-* in the current folder; its reason (a
    # sanitizer report or a failed check) is shown, not only the statistics.
    if ! "$fuzzer" -max_total_time="$seconds" -max_len=65536 -rss_limit_mb=2048 -timeout=10 \
        -print_final_stats=1 "$work" ${seeds:+"$seeds"} >"$log" 2>&1; then
        grep -E "check failed|ERROR|SUMMARY|Test unit written" "$log" || tail -n 20 "$log"
        rm -rf "$work" "$log"
        exit 1
    fi
    tail -n 5 "$log"
    rm -rf "$work" "$log"
done

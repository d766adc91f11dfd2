#!/usr/bin/env bash
# Builds optimised and runs the benchmarks, several repetitions, medians.
#   scripts/bench.sh [benchmark filter]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir="$root/build-release"
"$root/scripts/build.sh" "$dir" -DCMAKE_BUILD_TYPE=Release -DKERFLOOM_BUILD_TESTS=OFF
"$dir/bench/kerfloom_bench" --benchmark_filter="${1:-.}" --benchmark_repetitions=5 \
    --benchmark_report_aggregates_only=true
"$dir/bench/kerfloom_view_bench" --benchmark_filter="${1:-.}" --benchmark_repetitions=5 \
    --benchmark_report_aggregates_only=true
"$dir/bench/kerfloom_app_bench" --benchmark_filter="${1:-.}" --benchmark_repetitions=3 \
    --benchmark_report_aggregates_only=true
"$dir/bench/kerfloom_update_bench" --benchmark_filter="${1:-.}" --benchmark_repetitions=5 \
    --benchmark_report_aggregates_only=true

#!/usr/bin/env bash
# The test suite once more under AddressSanitizer and UBSan; any report fails.
#   scripts/sanitize.sh [build-dir]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=${1:-"$root/build-asan"}
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1:fast_unwind_on_malloc=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export LSAN_OPTIONS=suppressions="$root/scripts/lsan.supp":print_suppressions=0
"$root/scripts/build.sh" "$dir" -DKERFLOOM_SANITIZE=address,undefined -DKERFLOOM_BUILD_BENCH=OFF \
    -DCMAKE_BUILD_TYPE=Debug
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$dir" --output-on-failure -j"${KERFLOOM_JOBS:-2}"

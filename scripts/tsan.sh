#!/usr/bin/env bash
# The simulation tests under ThreadSanitizer: the worker thread and the GUI
# thread share flags and run state, and any race report fails.
#   scripts/tsan.sh [build-dir]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=${1:-"$root/build-tsan"}
cmake -S "$root" -B "$dir" $(command -v ninja >/dev/null && echo -G Ninja) \
    -DCMAKE_BUILD_TYPE=Debug -DKERFLOOM_SANITIZE=thread -DKERFLOOM_BUILD_BENCH=OFF
cmake --build "$dir" -j"${KERFLOOM_JOBS:-2}" --target simulation_tests
export QT_QPA_PLATFORM=offscreen
export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$root/scripts/tsan.supp"
# Newer kernels randomise mappings more than this runtime expects.
run=()
setarch "$(uname -m)" -R true 2>/dev/null && run=(setarch "$(uname -m)" -R)
"${run[@]}" "$dir/tests/ui/simulation_tests"

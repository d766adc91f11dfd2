#!/usr/bin/env bash
# Everything a fresh machine needs to run the tests: packages, build, ctest.
#   scripts/test.sh [build-dir] [extra cmake arguments…]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=${1:-"$root/build"}
shift || true
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh" "$dir" "$@"
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$dir" --output-on-failure -j"${KERFLOOM_JOBS:-2}"

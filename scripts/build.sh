#!/usr/bin/env bash
# Configures and builds into a build folder (default: build).
#   scripts/build.sh [build-dir] [extra cmake arguments…]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=${1:-"$root/build"}
shift || true
generator=()
command -v ninja >/dev/null && generator=(-G Ninja)
cmake -S "$root" -B "$dir" "${generator[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
cmake --build "$dir" -j"${KERFLOOM_JOBS:-2}"

#!/usr/bin/env bash
# Peak memory and time of the unattended program on a batch of small files,
# measured on the whole process: memory must not grow with the number of
# files. Prints one line per batch size.
#   bench/headless-batch.sh [build-dir] [drawing, default examples/wing.plt]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
program=$(realpath -m "${1:-$root/build}/app/Kerfloom")
drawing=$(realpath "${2:-$root/examples/wing.plt}")
[ -x "$program" ] || { echo "no program at $program (build first)" >&2; exit 2; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
ext=${drawing##*.}
for n in 50 100 200 400; do
    rm -rf "$work/in" "$work/config"
    mkdir -p "$work/in" "$work/config"
    for i in $(seq "$n"); do cp "$drawing" "$work/in/f$i.$ext"; done
    (cd "$work/in" && env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM \
        XDG_CONFIG_HOME="$work/config" /usr/bin/time -f "$n files: %M KB peak, %e s wall, %U s user" \
        "$program" f*."$ext" 2>&1 >/dev/null | tail -1)
done

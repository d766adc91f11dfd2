#!/usr/bin/env bash
# The unattended pipeline (load, link, save) on large drawings, measured on
# the whole process: wall time, CPU time (user + system) and peak memory.
# CPU time is the steadier figure on a shared machine.
#   bench/pipeline_scale.sh [program] [folder for the drawings]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
program=${1:-"$root/build-release/app/Kerfloom"}
files=${2:-"${TMPDIR:-/tmp}/kerfloom-scale"}
[[ -x $program ]] || "$root/scripts/build.sh" "$root/build-release" -DCMAKE_BUILD_TYPE=Release \
    -DKERFLOOM_BUILD_TESTS=OFF >/dev/null
[[ -f $files/lines.dxf ]] || python3 "$root/bench/scale_files.py" "$files"
config=$(mktemp -d)
trap 'rm -rf "$config"' EXIT
printf '%-18s %9s %9s %9s\n' drawing wall_s cpu_s peak_MB
for f in sheet-1000.plt sheet-10000.plt sheet-100000.plt triangles.kfp empty.kfp lines.dxf; do
    [[ -f $files/$f ]] || continue
    env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM XDG_CONFIG_HOME="$config" \
        /usr/bin/time -o "$config/time" -f '%e %U %S %M' "$program" "$files/$f" >/dev/null 2>&1
    read -r wall user sys kb <"$config/time"
    printf '%-18s %9s %9.2f %9d\n' "$f" "$wall" "$(echo "$user + $sys" | bc)" $((kb / 1024))
done

#!/usr/bin/env bash
# The main job on a fresh machine: installs what is missing, builds, and runs
# Kerfloom unattended on the bundled example drawing (load, place, link,
# save, quit). The example is copied first, so the bundled file stays as it
# is; the written .tap lands beside the copy.
#   scripts/run-example.sh [drawing] [output folder]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
example=${1:-"$root/examples/wing.plt"}
out=${2:-"$root/build/example-output"}
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh" "$root/build" >/dev/null
mkdir -p "$out"
cp "$example" "$out/"
input="$out/$(basename "$example")"
name=$(basename "$example")
target="$out/${name%%.*}.tap"
# Default settings in a throw-away folder: the user's own save template
# (say %p/%f.plt) would put the output elsewhere, and their recent files
# stay as they were.
config=$(mktemp -d)
trap 'rm -rf "$config"' EXIT
rm -f "$target"
status=0
XDG_CONFIG_HOME="$config" "$root/build/app/Kerfloom" "$input" || status=$?
if ((status != 0)); then
    echo "run-example: Kerfloom failed (exit code $status)" >&2
    exit "$status"
fi
if [[ ! -s $target ]]; then
    echo "run-example: Kerfloom ended without writing $target" >&2
    exit 1
fi
echo "run-example: wrote $target"

#!/usr/bin/env bash
# Pictures of the settings pages and of the About dialog (with a product row
# served from 127.0.0.1) under Xvfb, written into docs/. With a language
# (pl_PL, it_IT, es_ES) the pictures are taken in it, named settings-general-pl.png
# and so on.
#   scripts/dialog-screenshots.sh [OUTDIR] [LANGUAGE]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=$(realpath -m "${1:-$root/docs}")
program="$root/build/tests/ui/kerfloom_dialogshots"
cmake --build "$root/build" --target kerfloom_dialogshots >/dev/null
mkdir -p "$out"
QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1280x800x24" "$program" "$out" ${2:+"$2"}
ls "$out"/settings-*.png "$out"/about*.png

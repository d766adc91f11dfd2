#!/usr/bin/env bash
# Starts Kerfloom under Xvfb with a drawing and saves a picture of its window.
# Runs on a throw-away settings folder that links the drawing but neither
# saves nor quits, so the drawing's own folder stays untouched.
# With --simulate MS the picture shows the cutting simulation MS milliseconds
# after it started; with --language NAME (such as pl_PL) the program speaks
# that language.
#   scripts/screenshot.sh [--simulate MS] [--language NAME] FILE OUT.png
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
simulate=()
language=
while [[ ${1:-} == --* ]]; do
    case $1 in
    --simulate) simulate=(KERFLOOM_SCREENSHOT_SIMULATE="${2:?milliseconds}") ;;
    --language) language=${2:?locale name} ;;
    *) break ;;
    esac
    shift 2
done
if (($# != 2)); then
    echo "usage: scripts/screenshot.sh [--simulate MS] [--language NAME] FILE OUT.png" >&2
    exit 2
fi
file=$(realpath "$1")
out=$(realpath -m "$2")
program="$root/build/app/Kerfloom"
[[ -x $program ]] || "$root/scripts/build.sh" "$root/build" >/dev/null
config=$(mktemp -d)
trap 'rm -rf "$config"' EXIT
mkdir -p "$config/Brenmoor/Kerfloom"
cat >"$config/Brenmoor/Kerfloom/settings.ini" <<INI
[Actions]
SaveAs=false
ExitApplication=false
INI
if [[ -n $language ]]; then
    printf '[Main]\nLanguage=%s\n' "$language" >>"$config/Brenmoor/Kerfloom/settings.ini"
fi
env "${simulate[@]}" XDG_CONFIG_HOME="$config" KERFLOOM_SCREENSHOT="$out" QT_QPA_PLATFORM=xcb \
    xvfb-run -a -s "-screen 0 1280x800x24" "$program" "$file"
echo "screenshot: $out"

#!/usr/bin/env bash
# Crashes Kerfloom on purpose under Xvfb with a drawing open and saves a
# picture of the crash-report dialog with its details viewer open
# (KERFLOOM_CRASH_TEST chooses the kind of crash, null by default).
#   scripts/crash-screenshot.sh FILE OUT.png
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
if (($# != 2)); then
    echo "usage: scripts/crash-screenshot.sh FILE OUT.png" >&2
    exit 2
fi
file=$(realpath "$1")
out=$(realpath -m "$2")
program="$root/build/app/Kerfloom"
[[ -x $program ]] || "$root/scripts/build.sh" "$root/build" >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/Brenmoor/Kerfloom"
printf '[Actions]\nSaveAs=false\nExitApplication=false\n' >"$work/Brenmoor/Kerfloom/settings.ini"
# The crashed program ends with exit code 1 once the report process is done.
env XDG_CONFIG_HOME="$work" TMPDIR="$work" KERFLOOM_CRASH_TEST="${KERFLOOM_CRASH_TEST:-null}" KERFLOOM_CRASH_TEST_DELAY=1000 \
    KERFLOOM_SCREENSHOT="$out" KERFLOOM_BASE_URL= QT_QPA_PLATFORM=xcb \
    xvfb-run -a -s "-screen 0 1280x800x24" "$program" "$file" || [[ $? -eq 1 ]]
[[ -s $out ]] && echo "saved $out"

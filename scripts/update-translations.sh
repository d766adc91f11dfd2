#!/usr/bin/env bash
# Refreshes the translation sources from the code: new texts are added as
# unfinished, texts no longer in the code are dropped. Run it after adding or
# changing a user-visible text, translate the new entries (Qt Linguist or any
# editor), then run scripts/check-translations.sh.
#   scripts/update-translations.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/translation-sources.sh"
cd "$root"
lupdate_cmd -no-obsolete -ts "${kerfloom_catalogues[@]}"

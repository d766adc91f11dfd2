#!/usr/bin/env bash
# Fails when the Italian, Polish or Spanish catalogue is not complete for the
# code as it stands: lupdate runs over the sources into temporary copies of
# the catalogues (the committed files stay untouched), and every message is
# checked. A failure names the catalogue, context and text; the fix is
# scripts/update-translations.sh and translating what it reports.
#   scripts/check-translations.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/translation-sources.sh"
cd "$root"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
copies=()
for ts in "${kerfloom_catalogues[@]}"; do
    if [[ ! -f $ts ]]; then
        echo "check-translations: $ts is missing" >&2
        exit 1
    fi
    cp "$ts" "$tmp/"
    copies+=("$tmp/$(basename "$ts")")
done
lupdate_cmd -ts "${copies[@]}" >/dev/null
python3 - "$tmp" "${kerfloom_catalogues[@]}" <<'PY'
import os, re, sys
import xml.etree.ElementTree as ET

tmp, committed = sys.argv[1], sys.argv[2:]
placeholder = re.compile(r'%(?:L?\d{1,2}|n)')
# One accelerator marker: an ampersand not part of "&&".
accelerator = re.compile(r'(?<!&)&(?!&)')

def messages(path):
    for context in ET.parse(path).getroot().iter('context'):
        name = context.findtext('name')
        for m in context.iter('message'):
            yield name, m

def texts(translation):
    forms = translation.findall('numerusform')
    return [f.text or '' for f in forms] if forms else [translation.text or '']

failures = []
for ts in committed:
    base = os.path.basename(ts)
    retired = {(c, m.findtext('source')) for c, m in messages(ts)
               if m.find('translation').get('type') in ('vanished', 'obsolete')}
    for context, m in messages(os.path.join(tmp, base)):
        source = m.findtext('source') or ''
        translation = m.find('translation')
        kind = translation.get('type')
        where = f'{base}: [{context}] "{source}"'
        if kind in ('vanished', 'obsolete'):
            continue
        if (context, source) in retired:
            failures.append(f'{where}: marked vanished in the catalogue but used by the code')
        if kind == 'unfinished':
            failures.append(f'{where}: unfinished')
            continue
        wanted = sorted(set(placeholder.findall(source)))
        for text in texts(translation):
            if not text.strip():
                failures.append(f'{where}: empty translation')
            elif sorted(set(placeholder.findall(text))) != wanted and not (
                    m.get('numerus') == 'yes' and '%n' not in text
                    and sorted(set(placeholder.findall(text)) | {'%n'}) == wanted):
                failures.append(f'{where}: placeholders {wanted} but "{text}" has '
                                f'{sorted(set(placeholder.findall(text)))}')
            elif bool(accelerator.search(source)) != (len(accelerator.findall(text)) == 1):
                failures.append(f'{where}: accelerator mismatch in "{text}"')

for f in failures:
    print('check-translations:', f, file=sys.stderr)
if failures:
    print(f'check-translations: {len(failures)} problem(s); run scripts/update-translations.sh '
          'and translate what it reports', file=sys.stderr)
    sys.exit(1)
print(f'check-translations: {len(committed)} catalogues complete')
PY

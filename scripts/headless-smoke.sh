#!/usr/bin/env bash
# Runs the built program without a display, as a script would, on many real
# drawings (SVG and HPGL shipped by Debian packages, our DXF test files) and
# on arguments a script can get wrong, and checks: one stderr line per
# problem, the right exit codes, never a hang, every good file saved.
#   scripts/headless-smoke.sh [build-dir] [number of SVG files, default 200]
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
program=$(realpath -m "${1:-$root/build}/app/Kerfloom")
count=${2:-200}
[ -x "$program" ] || { echo "no program at $program (build first)" >&2; exit 2; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/in" "$work/config"
run() {
    env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM XDG_CONFIG_HOME="$work/config" \
        timeout 600 "$program" "$@" 2>"$work/stderr"
}
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# Good inputs, each under a name of its own so no two share an output.
n=0
while IFS= read -r f; do
    n=$((n + 1))
    cp "$f" "$work/in/svg$n.svg"
done < <(find /usr/share -name '*.svg' -size -200k 2>/dev/null | head -n "$count")
while IFS= read -r f; do
    n=$((n + 1))
    cp "$f" "$work/in/plt$n.plt"
done < <(find /usr/share \( -name '*.plt' -o -name '*.hpgl' \) 2>/dev/null)
while IFS= read -r f; do
    n=$((n + 1))
    cp "$f" "$work/in/dxf$n.dxf"
done < <(find "$root/tests/data/dxf" -name '*.dxf' 2>/dev/null | head -50)
cp "$root/examples/wing.plt" "$work/in/wing.plt"

# The batch of good files: exit 0 unless a file is damaged; then each
# damaged one is one line naming it.
(cd "$work/in" && run ./*)
code=$?
[ $code -eq 124 ] && fail "the batch did not end"
inputs=$(ls "$work/in" | grep -vc '\.tap$')
outputs=$(ls "$work/in" | grep -c '\.tap$')
lines=$(wc -l < "$work/stderr")
echo "batch: $inputs inputs, $outputs saved, exit $code, $lines stderr lines"
sed "s/^/  /" "$work/stderr" | head -20
[ "$((outputs + lines))" -eq "$inputs" ] || fail "saved + reported != inputs"
if [ "$lines" -eq 0 ]; then [ $code -eq 0 ] || fail "exit $code without a message"
else [ $code -eq 1 ] || fail "exit $code with messages"; fi

# Arguments a script gets wrong: alone and among good files, one line each.
mkdir "$work/in/folder"
mkfifo "$work/in/pipe.dxf"
ln -s /dev/zero "$work/in/zeros.dxf"
printf 'X0 Y0\r\nX10 Y0\r\nX0 Y10\r\nX0 Y0\r\n' > "$work/in/rib.v1.tap"
cp "$work/in/wing.plt" "$work/in/rib.v2.plt"
check() { # expected exit, expected lines, arguments…
    local want=$1 wantLines=$2
    shift 2
    (cd "$work/in" && run "$@")
    local got=$? lines
    lines=$(wc -l < "$work/stderr")
    [ $got -eq "$want" ] && [ "$lines" -eq "$wantLines" ] \
        || fail "$(printf '[%s] ' "$@"): exit $got, $lines lines: $(head -3 "$work/stderr")"
}
check 1 1 ""
check 1 1 folder
check 1 1 pipe.dxf
check 1 1 zeros.dxf
check 1 1 missing.plt
check 1 1 /proc/self/mem
check 1 3 wing.plt "" folder wing.plt missing.svg
check 1 1 rib.v1.tap rib.v2.plt
check 0 0 wing.tap
before=$(md5sum < "$work/in/wing.tap")
check 0 0 wing.tap
[ "$(md5sum < "$work/in/wing.tap")" = "$before" ] || fail "a second run changed wing.tap"

echo "$failures failures"
[ $failures -eq 0 ]

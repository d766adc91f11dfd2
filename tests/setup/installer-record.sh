#!/bin/sh
# Stand-in installer of the setup tests: writes down how it was started (and,
# on a display, what an X client sees of the setup's progress window), then
# exits with the code the test asks for.
record="${KERFLOOM_SETUP_RECORD:?}"
{
    echo "args=$*"
    echo "cwd=$(pwd)"
    echo "pid=$$"
    echo "pgid=$(cut -d' ' -f5 /proc/$$/stat)"
    if [ -n "$DISPLAY" ]; then
        xwininfo -name "Brenmoor Installer"
        xprop -name "Brenmoor Installer" WM_NAME _NET_WM_NAME WM_CLASS _NET_WM_ICON
    fi
} >"$record.part" 2>&1
mv "$record.part" "$record"
exit "${KERFLOOM_SETUP_EXIT:-0}"

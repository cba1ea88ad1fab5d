#!/bin/sh
# Runs a command (the test suite of a Windows build) in a wine session made
# for it: a prefix inside the build tree, one server for every test, wine
# booted before the first test, no graphics, no debugger, and one hidden
# window that lives as long as the session.
#   sh tests/tools/wine_session.sh BUILD-DIR COMMAND...
set -eu
build=$(readlink -f "$1")
shift
wine=/usr/lib/wine/wine64
server=/usr/lib/wine/wineserver
export WINEPREFIX="$build/wineprefix"
export WINEDEBUG=-all                       # wine's own messages would mix with the tests'
export WINEDLLOVERRIDES="winedbg.exe=d"     # a crash must end the test, not wait in a debugger
mkdir -p "$WINEPREFIX"

boot() {
    "$server" -p                            # persistent: no start-up per test
    # boot now, output to /dev/null: else the first test's pipes get the
    # services' output and the test waits for them
    "$wine" wineboot >/dev/null 2>&1
}
"$server" -k 2>/dev/null || true              # what an interrupted session left
"$server" -w
boot
graphics='HKCU\Software\Wine\Drivers'
if ! "$wine" reg query "$graphics" /v Graphics 2>/dev/null | grep -q null; then
    # a new prefix: its desktop only takes the null driver when it starts again
    "$wine" reg add "$graphics" /v Graphics /d null /f >/dev/null 2>&1
    "$server" -k
    "$server" -w
    boot
fi

# The first window of a session starts the desktop process, which keeps
# whatever output its starter had: let that be this window's /dev/null.
ready="$build/keep-alive.out"
rm -f "$ready"
"$wine" "$build/helpers/receiver.exe" quill-tests-keep-alive 0 >"$ready" 2>/dev/null </dev/null &
keeper=$!
trap 'kill "$keeper" 2>/dev/null || true; "$server" -k 2>/dev/null || true' EXIT
tries=0
until grep -q ready "$ready" 2>/dev/null; do
    tries=$((tries + 1))
    if [ "$tries" -gt 600 ]; then   # a minute: wine starts its desktop first
        echo "wine_session: the keep-alive window did not come up" >&2
        exit 1
    fi
    sleep 0.1
done
"$@"

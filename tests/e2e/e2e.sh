# Shared steps of the end-to-end scenarios: a private X server, a scratch home, the real quorvil4
# on a scripted port, checks of the files it writes; the keyboard and mouse input is drive.sh's.
# A scenario sources this file with the program and the folder for screenshots:
#   source "$(dirname "$0")/e2e.sh" BINARY SHOT_FOLDER
# One without a window sets noDisplay=1 first, and may define stopHelpers for its own servers.
set -euo pipefail

binary=$(realpath "$1")
shots=$(realpath "$2")
scenario=$(basename "$0" .sh)

work=$(mktemp -d "${TMPDIR:-/tmp}/quorvil4-e2e.XXXXXX")
xvfbPid=
appPid=

fail() {
    echo "FAIL ($scenario): $*" >&2
    exit 1
}

screenshot() {
    [ -n "${DISPLAY:-}" ] || return 0
    local name="e2e-$scenario${1:+-$1}.png"
    import -window root "$shots/$name" 2>/dev/null || echo "no screenshot $name" >&2
}

cleanup() {
    local status=$?
    trap - EXIT
    # The screen as the scenario left it, passed or failed.
    [ -n "$xvfbPid" ] && screenshot
    ! declare -F stopHelpers >/dev/null || stopHelpers
    for pid in $appPid $xvfbPid; do
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    rm -rf "$work"
    exit "$status"
}
trap cleanup EXIT
trap 'exit 1' INT TERM HUP

# Polls COMMAND every tenth of a second until it succeeds; fails after SECONDS.
waitFor() {
    local seconds=$1 what=$2
    shift 2
    local deadline=$(($(date +%s%N) + seconds * 1000000000))
    until "$@"; do
        [ "$(date +%s%N)" -lt "$deadline" ] || fail "timed out after ${seconds}s waiting for $what"
        [ -z "$appPid" ] || kill -0 "$appPid" 2>/dev/null || fail "quorvil4 ended while waiting for $what"
        sleep 0.1
    done
}

# Everything the program writes goes to the scratch folder, never to the user's own.
export HOME="$work/home" XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data"
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -p "$HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
# The C locale gives ISO dates and 24-hour times in the log.
export LANG=C.UTF-8 LC_ALL=C.UTF-8 QT_QPA_PLATFORM=xcb
unset DBUS_SESSION_BUS_ADDRESS SESSION_MANAGER WAYLAND_DISPLAY
userReg="$XDG_CONFIG_HOME/Norvalde/Quorvil4/user.reg"
logFile="$XDG_DATA_HOME/Norvalde/Quorvil4/QuorvilLog.csv"
port="$work/port.txt"

# Xvfb picks a free display itself and names it on fd 3 once it accepts clients; -noreset keeps
# it from resetting (and refusing clients) whenever the last one disconnects.
if [ "${noDisplay:-0}" != 1 ]; then
    Xvfb -displayfd 3 -screen 0 1024x768x24 -dpi 96 -nolisten tcp -noreset \
        3>"$work/display" 2>"$work/xvfb.log" &
    xvfbPid=$!
    waitFor 10 "the X server" test -s "$work/display"
    export DISPLAY=":$(head -n 1 "$work/display")"
fi

# The scripted port: one "ID RESULT X Y" line per argument, replaced in one step so that the
# program, which reads it at every poll, never sees half a file.
setPort() {
    printf '%s\n' "$@" >"$port.new"
    mv "$port.new" "$port"
}

source "$(dirname "${BASH_SOURCE[0]}")/drive.sh"

# Starts quorvil4, its output in the test's own (shown when the test fails), and waits SECONDS
# (default 15) for its main window.
startApp() {
    "$binary" --simulate="$port" &
    appPid=$!
    waitFor "${1:-15}" "the main window" windowShown '^Quorvil4$'
    findMainWindow
}

# Waits for the program to end by itself and checks that it ended well.
waitForExit() {
    local pid=$appPid status=0
    appPid=
    waitFor 10 "quorvil4 to end" eval "! kill -0 $pid 2>/dev/null"
    wait "$pid" || status=$?
    [ "$status" -eq 0 ] || fail "quorvil4 ended with status $status"
}

# Whether the log holds at least N complete data lines.
hasDataLines() {
    [ -f "$logFile" ] && [ "$(tail -n +2 "$logFile" | grep -c $'\r$')" -ge "$1" ]
}

regHolds() {
    [ -f "$userReg" ] && grep -qxF "$1" <(tr -d '\r' <"$userReg")
}

# A port of 127.0.0.1 that nothing listens on now; a server that loses it to another fails to
# start, which the scenario's waits report.
freePort() {
    local port
    while true; do
        port=$((20000 + RANDOM % 40000))
        (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null || break
    done
    echo "$port"
}

# An HTTP GET on loopback that fails on an error status, within a few seconds.
get() { curl -sf --max-time 5 "$@"; }

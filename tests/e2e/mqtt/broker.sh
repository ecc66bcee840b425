# Shared steps of the MQTT scenarios: a Mosquitto broker of their own on a free loopback port,
# the console mode publishing to it on a scripted port, and mosquitto_sub captures. A scenario
# sources this file with the window program (the console mode lies beside it):
#   source "$(dirname "$0")/broker.sh" BINARY
set -euo pipefail

binary=$(realpath "$(dirname "$1")/quorvil4-headless")
scenario=$(basename "$0" .sh)
work=$(mktemp -d "${TMPDIR:-/tmp}/quorvil4-mqtt.XXXXXX")
brokerPid=
appPid=
capturePid=

fail() {
    echo "FAIL ($scenario): $*" >&2
    for file in "$work"/*.err "$work"/broker.log; do
        [ -s "$file" ] && sed "s|^|  $(basename "$file"): |" "$file" >&2
    done
    exit 1
}

cleanup() {
    local status=$?
    trap - EXIT
    for pid in $capturePid $appPid $brokerPid; do
        kill -9 "$pid" 2>/dev/null || true
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
        sleep 0.1
    done
}

# The program's files go to the scratch folder, never to the user's own.
export HOME="$work/home" XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data"
export LANG=C.UTF-8 LC_ALL=C.UTF-8
unset DISPLAY WAYLAND_DISPLAY QUORVIL4_MQTT_PASSWORD
mkdir -p "$HOME"
printf '0 0 10000 32767\n1 0 1000 65535\n' >"$work/port.txt"

listening() { (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null; }

# A port nothing listens on; the broker takes it a moment later.
port=
until [ -n "$port" ]; do
    port=$((20000 + RANDOM % 40000))
    ! listening "$port" || port=
done

# Starts the broker on $port with the given configuration lines besides the listener.
startBroker() {
    {
        echo "listener $port 127.0.0.1"
        echo "persistence false"
        # Run as root, the broker would switch to its own user, who may not read this folder.
        [ "$(id -u)" -ne 0 ] || echo "user root"
        printf '%s\n' "$@"
    } >"$work/broker.conf"
    mosquitto -c "$work/broker.conf" >>"$work/broker.log" 2>&1 &
    brokerPid=$!
    waitFor 10 "the broker" listening "$port"
}

stopBroker() {
    kill "$brokerPid"
    wait "$brokerPid" 2>/dev/null || true
    brokerPid=
}

# Starts the console mode publishing as node e2e, with the given options besides; its errors go
# to $work/app.err.
startApp() {
    "$binary" --headless --simulate="$work/port.txt" --interval=1 --log="$work/log.csv" \
        --mqtt-node=e2e "$@" 2>>"$work/app.err" &
    appPid=$!
}

# Ends the console mode as a user does; it must go within a few seconds.
stopApp() {
    kill -TERM "$appPid"
    local deadline=$((SECONDS + 10))
    while kill -0 "$appPid" 2>/dev/null; do
        [ "$SECONDS" -lt "$deadline" ] || fail "quorvil4 did not end after SIGTERM"
        sleep 0.1
    done
    wait "$appPid" || fail "quorvil4 ended with status $?"
    appPid=
}

# What the broker keeps for a subscriber that comes now: "topic payload" lines, sorted.
retained() {
    timeout 10 mosquitto_sub -h 127.0.0.1 -p "$port" "$@" -v --retained-only -W 1 \
        -t 'quorvil4/e2e/#' -t 'homeassistant/+/quorvil4_e2e/#' 2>/dev/null | sort || true
}

# Everything published from now on, into $work/live.
capture() {
    mosquitto_sub -h 127.0.0.1 -p "$port" "$@" -v -R -t 'quorvil4/e2e/#' -t 'homeassistant/#' \
        >"$work/live" 2>>"$work/sub.err" &
    capturePid=$!
    # The subscription stands once a message of its own comes back through it.
    waitFor 10 "the capture" eval "mosquitto_pub -h 127.0.0.1 -p $port $* -t quorvil4/e2e/probe \
        -m ready && grep -q '^quorvil4/e2e/probe ready' '$work/live'"
}

stopCapture() {
    kill "$capturePid" 2>/dev/null || true
    wait "$capturePid" 2>/dev/null || true
    capturePid=
}

# How many lines of the program's standard error hold TEXT.
reports() { grep -c -- "$1" "$work/app.err" || true; }

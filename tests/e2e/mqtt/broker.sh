# Shared steps of the MQTT scenarios, e2e.sh's without a display: a Mosquitto broker of their own
# on a free loopback port, the console mode publishing to it on a scripted port, and mosquitto_sub
# reading back. A scenario sources this file as it would e2e.sh:
#   source "$(dirname "$0")/broker.sh" BINARY SHOT_FOLDER
noDisplay=1
source "$(dirname "${BASH_SOURCE[0]}")/../e2e.sh" "$@"
headless=$(dirname "$binary")/quorvil4-headless
unset DISPLAY QUORVIL4_MQTT_PASSWORD
brokerPid=
capturePid=
stopHelpers() {
    for pid in $capturePid $brokerPid; do
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
}
setPort '0 0 10000 32767' '1 0 1000 65535'

listening() { (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null; }

# A port nothing listens on; the broker takes it a moment later.
brokerPort=
until [ -n "$brokerPort" ]; do
    brokerPort=$((20000 + RANDOM % 40000))
    ! listening "$brokerPort" || brokerPort=
done

# Starts the broker on $brokerPort with the given configuration lines besides the listener.
startBroker() {
    {
        echo "listener $brokerPort 127.0.0.1"
        echo "persistence false"
        # Run as root, the broker would switch to its own user, who may not read this folder.
        [ "$(id -u)" -ne 0 ] || echo "user root"
        printf '%s\n' "$@"
    } >"$work/broker.conf"
    mosquitto -c "$work/broker.conf" >>"$work/broker.log" 2>&1 &
    brokerPid=$!
    waitFor 10 "the broker" listening "$brokerPort"
}

stopBroker() {
    kill "$brokerPid"
    wait "$brokerPid" 2>/dev/null || true
    brokerPid=
}

# Starts the console mode publishing as node e2e, with the given options besides; its errors go
# to $work/app.err.
startApp() {
    "$headless" --headless --simulate="$port" --interval=1 --log="$work/log.csv" \
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
    timeout 10 mosquitto_sub -h 127.0.0.1 -p "$brokerPort" "$@" -v --retained-only -W 1 \
        -t 'quorvil4/e2e/#' -t 'homeassistant/+/quorvil4_e2e/#' 2>/dev/null | sort || true
}

# Everything published from now on, into $work/live.
capture() {
    mosquitto_sub -h 127.0.0.1 -p "$brokerPort" "$@" -v -R -t 'quorvil4/e2e/#' -t 'homeassistant/#' \
        >"$work/live" 2>>"$work/sub.err" &
    capturePid=$!
    # The subscription stands once a message of its own comes back through it.
    waitFor 10 "the capture" eval "mosquitto_pub -h 127.0.0.1 -p $brokerPort $* -t quorvil4/e2e/probe \
        -m ready && grep -q '^quorvil4/e2e/probe ready' '$work/live'"
}

# How many lines of the program's standard error hold TEXT.
reports() { grep -c -- "$1" "$work/app.err" || true; }

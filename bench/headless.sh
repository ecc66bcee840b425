#!/usr/bin/env bash
# The console mode's cost on a scripted port, logging every second to a file: resident memory
# after a minute, and CPU used over the span that follows (ten minutes by default).
# With MQTT=1, the same publishing to a Mosquitto broker of its own on a free loopback port
# (steady readings: a state a minute per sensor; bench/mqtt_bench times changing ones).
# Usage: bench/headless.sh [build-dir]   Environment: SETTLE_SECONDS (60), CPU_SECONDS (600), MQTT.
set -euo pipefail
build=$(realpath "${1:-build}")
binary="$build/app/quorvil4"
[ -x "$binary" ] || { echo "no $binary; build first" >&2; exit 1; }
settle=${SETTLE_SECONDS:-60}
span=${CPU_SECONDS:-600}

work=$(mktemp -d)
pid=
brokerPid=
trap 'for p in $pid $brokerPid; do kill "$p" 2>/dev/null; done; rm -rf "$work"' EXIT
export XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data"
printf '0 0 10000 32767\n1 0 1000 65535\n' >"$work/port.txt"

mqtt=()
label="--headless, logging every second"
if [ "${MQTT:-0}" = 1 ]; then
    port=$((20000 + RANDOM % 40000))
    printf 'listener %s 127.0.0.1\nallow_anonymous true\npersistence false\n' "$port" \
        >"$work/broker.conf"
    mosquitto -c "$work/broker.conf" 2>"$work/broker.log" &
    brokerPid=$!
    mqtt=(--mqtt=127.0.0.1:"$port" --mqtt-node=bench)
    label="$label and publishing to MQTT"
fi
env -u DISPLAY -u WAYLAND_DISPLAY "$binary" --headless --simulate="$work/port.txt" --interval=1 \
    --log="$work/log.csv" "${mqtt[@]}" &
pid=$!
cpuTicks() { awk '{print $14 + $15}' "/proc/$pid/stat"; }
sleep "$settle"
rss=$(awk '/^VmRSS/ {print $2}' "/proc/$pid/status")
before=$(cpuTicks)
sleep "$span"
after=$(cpuTicks)
hz=$(getconf CLK_TCK)
echo "$label:"
echo "  resident after ${settle}s (MiB): $(awk -v k="$rss" 'BEGIN {printf "%.1f", k / 1024}')"
echo "  CPU over the next ${span}s (% of one core): $(awk -v d=$((after - before)) -v hz="$hz" \
    -v s="$span" 'BEGIN {printf "%.4f", 100 * d / hz / s}')"
echo "  lines logged: $(($(wc -l <"$work/log.csv") - 1))"
if [ ${#mqtt[@]} -gt 0 ]; then
    echo "  at the broker: $(timeout 5 mosquitto_sub -h 127.0.0.1 -p "${mqtt[0]##*:}" -v \
        --retained-only -W 1 -t 'quorvil4/bench/+' -t 'quorvil4/bench/sensor1/state' 2>/dev/null | paste -sd' ')"
fi

#!/usr/bin/env bash
# Starts the real quorvil4 on a scripted port under Xvfb and reports, as medians over several
# runs: time until the main window is shown, peak resident memory, and CPU time used over a
# span of steady running, plain and with the graph window open and logging on every second.
# Usage: bench/startup.sh [build-dir]
# Environment: RUNS (start-up runs, default 7), CPU_RUNS (per steady state, default 3),
# CPU_SECONDS (default 60), SETTINGS (a user.reg to start with, say a large one; default none).
set -euo pipefail

build=$(realpath "${1:-build}")
binary="$build/app/quorvil4"
[ -x "$binary" ] || { echo "no $binary; build first" >&2; exit 1; }
runs=${RUNS:-7}
cpuRuns=${CPU_RUNS:-3}
cpuSeconds=${CPU_SECONDS:-60}

work=$(mktemp -d)
xvfb=
# A display of our own, numbered far from the ones other X tools pick first. Without -noreset the
# server resets whenever its last client leaves, and turns away a client that comes meanwhile.
startX() {
    local d
    while true; do d=$((300 + RANDOM % 600)); [ -e "/tmp/.X11-unix/X$d" ] || [ -e "/tmp/.X$d-lock" ] || break; done
    Xvfb ":$d" -screen 0 1024x768x24 -dpi 96 -nolisten tcp -noreset 2>/dev/null &
    xvfb=$!
    export DISPLAY=":$d"
    until xdpyinfo >/dev/null 2>&1; do sleep 0.05; done
}
trap 'kill $xvfb; rm -rf "$work"' EXIT
startX
# Settings and log go to the scratch folder, never to the user's own.
export XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data"
if [ -n "${SETTINGS:-}" ]; then
    mkdir -p "$XDG_CONFIG_HOME/Norvalde/Quorvil4"
    cp "$SETTINGS" "$XDG_CONFIG_HOME/Norvalde/Quorvil4/user.reg"
fi
printf '# two joysticks, all four sensors connected\n0 0 10000 32767\n1 0 1000 65535\n' \
    >"$work/port.txt"

pid=
stop() { [ -n "$pid" ] && kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null || true; pid=; }
trap 'stop; kill $xvfb; rm -rf "$work"' EXIT

start() {
    "$binary" --simulate="$work/port.txt" >/dev/null 2>>"$work/stderr" &
    pid=$!
}

# Starts quorvil4 and waits until its window is shown; a start the X server refused is repeated.
startShown() {
    for attempt in 1 2 3; do
        kill -0 "$xvfb" 2>/dev/null || startX
        : >"$work/stderr"
        start
        until xwininfo -name Quorvil4 2>/dev/null | grep -q 'IsViewable'; do
            if ! kill -0 "$pid" 2>/dev/null; then
                wait "$pid" 2>/dev/null || true
                pid=
                # Now and then a client is turned away by the X server; try again.
                grep -q 'could not connect to display' "$work/stderr" && continue 2
                echo "quorvil4 ended early:" >&2
                cat "$work/stderr" >&2
                exit 1
            fi
            sleep 0.005
        done
        return 0
    done
    echo "the X server keeps ending" >&2
    exit 1
}

source "$(dirname "$0")/../tests/e2e/drive.sh"
logFile="$XDG_DATA_HOME/Norvalde/Quorvil4/QuorvilLog.csv"

# As a user would: File > Log, "On" at the interval of one second, then File > Graph (last, as
# without a window manager the graph window opens over the main window).
openGraphAndLog() {
    findMainWindow
    key ctrl+l
    until clientHeightIs "$LoggingHeight"; do sleep 0.05; done
    click Option1
    until [ "$(grep -c $'\r$' "$logFile" 2>/dev/null)" -ge 2 ]; do sleep 0.1; done
    key ctrl+g
    until windowShown '^Quorvil4 graph$'; do sleep 0.05; done
}

peakKiB() { awk '/^VmHWM/ {print $2}' "/proc/$pid/status"; }
cpuTicks() { awk '{print $14 + $15}' "/proc/$pid/stat"; }
median() { sort -n | awk '{v[NR] = $1} END {print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'; }

shown=() peaks=() cpus=()
for ((i = 0; i < runs; i++)); do
    kill -0 "$xvfb" 2>/dev/null || startX
    t0=$(date +%s%N)
    startShown
    t1=$(date +%s%N)
    shown+=($(((t1 - t0) / 1000000)))
    sleep 2
    peaks+=($(peakKiB))
    stop
done

hz=$(getconf CLK_TCK)
# Appends to the arrays named cpuVar and peakVar; with an argument, runs it once shown.
steady() {
    local -n cpuVar=$1 peakVar=$2
    local prepare=${3:-}
    for ((i = 0; i < cpuRuns; i++)); do
        startShown
        [ -z "$prepare" ] || "$prepare"
        sleep 3 # let start-up settle
        before=$(cpuTicks)
        sleep "$cpuSeconds"
        after=$(cpuTicks)
        cpuVar+=($(awk -v d=$((after - before)) -v hz="$hz" -v s="$cpuSeconds" \
            'BEGIN {printf "%.3f", 100 * d / hz / s}'))
        peakVar+=($(peakKiB))
        stop
    done
}
busyCpus=() busyPeaks=()
steady cpus peaks
steady busyCpus busyPeaks openGraphAndLog

echo "runs: $runs start-ups, $cpuRuns x ${cpuSeconds}s steady"
echo "time until shown (ms), median: $(printf '%s\n' "${shown[@]}" | median)  [${shown[*]}]"
echo "peak resident (MiB), median: $(printf '%s\n' "${peaks[@]}" | median | awk '{printf "%.1f", $1 / 1024}')"
if ((cpuRuns > 0)); then
    echo "CPU over ${cpuSeconds}s (% of one core), median: $(printf '%s\n' "${cpus[@]}" | median)  [${cpus[*]}]"
    echo "with the graph open and logging every second:"
    echo "  peak resident (MiB), median: $(printf '%s\n' "${busyPeaks[@]}" | median | awk '{printf "%.1f", $1 / 1024}')"
    echo "  CPU over ${cpuSeconds}s (% of one core), median: $(printf '%s\n' "${busyCpus[@]}" | median)  [${busyCpus[*]}]"
fi

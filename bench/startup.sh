#!/usr/bin/env bash
# Starts the real quorvil4 on a scripted port under Xvfb, side by side with a bare Qt window (four
# labels and a one-second timer, bench/barewindow.cpp), and reports medians and ratios of: the
# time until the first window is mapped and until its first whole frame is drawn (wall time, and
# processor time of all threads, which a busy machine disturbs less), peak resident memory, and
# CPU time used over a span of steady running; quorvil4 plain and with the graph window open and
# logging on every second. The bare window lays out no text before it is mapped and loads its
# fonts after: its frame, not its map, is the moment both programs are ready to be seen.
# Goals: start-up at most 1.1 times the bare window's, memory at most 4 MiB above it.
# Usage: bench/startup.sh [build-dir]
# Environment: RUNS (start-ups of each, default 9), CPU_RUNS (per steady state, default 2),
# CPU_SECONDS (default 30), SETTINGS (a user.reg to start with, say a large one; default none).
set -euo pipefail

build=$(realpath "${1:-build}")
binary="$build/app/quorvil4"
bare="$build/bench/barewindow"
firstmap="$build/bench/firstmap"
for program in "$binary" "$bare" "$firstmap"; do
    [ -x "$program" ] || { echo "no $program; build first" >&2; exit 1; }
done
runs=${RUNS:-9}
cpuRuns=${CPU_RUNS:-2}
cpuSeconds=${CPU_SECONDS:-30}

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
# Settings and log go to the scratch folder, never to the user's own.
export XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data"
if [ -n "${SETTINGS:-}" ]; then
    mkdir -p "$XDG_CONFIG_HOME/Norvalde/Quorvil4"
    cp "$SETTINGS" "$XDG_CONFIG_HOME/Norvalde/Quorvil4/user.reg"
fi
printf '# two joysticks, all four sensors connected\n0 0 10000 32767\n1 0 1000 65535\n' \
    >"$work/port.txt"

# firstmap leaves the program running but no longer our child: stop it by its number.
pid=
stop() {
    [ -n "$pid" ] || return 0
    kill "$pid" 2>/dev/null || true
    while kill -0 "$pid" 2>/dev/null; do sleep 0.02; done
    pid=
}
trap 'stop; kill $xvfb; rm -rf "$work"' EXIT
startX

# Starts a program (bare or quorvil) and waits until its first window is mapped and drawn; sets
# pid, wall, cpu, frameWall and frameCpu (milliseconds). A start the X server refused is repeated.
startShown() {
    local command=("$bare")
    [ "$1" = quorvil ] && command=("$binary" --simulate="$work/port.txt")
    for attempt in 1 2 3; do
        kill -0 "$xvfb" 2>/dev/null || startX
        if read -r pid wall cpu frameWall frameCpu < <("$firstmap" "${command[@]}" 2>"$work/stderr"); then
            return 0
        fi
        pid=
        # Now and then a client is turned away by the X server; try again.
        grep -q 'could not connect to display' "$work/stderr" && continue
        echo "$1 ended early:" >&2
        cat "$work/stderr" >&2
        exit 1
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
med() { printf '%s\n' "$@" | median; }
mib() { awk -v k="$1" 'BEGIN {printf "%.1f", k / 1024}'; }

# Start-ups alternate between the two programs, so that a change in the machine's load falls on
# both alike.
bareWall=() bareCpu=() bareFrame=() bareFrameCpu=() barePeak=()
quorvilWall=() quorvilCpu=() quorvilFrame=() quorvilFrameCpu=() quorvilPeak=()
for ((i = 0; i < runs; i++)); do
    for program in bare quorvil; do
        startShown "$program"
        if [ "$program" = bare ]; then
            bareWall+=("$wall") bareCpu+=("$cpu") bareFrame+=("$frameWall") bareFrameCpu+=("$frameCpu")
        else
            quorvilWall+=("$wall") quorvilCpu+=("$cpu") quorvilFrame+=("$frameWall") quorvilFrameCpu+=("$frameCpu")
        fi
        sleep 2
        if [ "$program" = bare ]; then barePeak+=("$(peakKiB)"); else quorvilPeak+=("$(peakKiB)"); fi
        stop
    done
done

hz=$(getconf CLK_TCK)
# Appends to the arrays named cpuVar and peakVar; with a third argument, runs it once shown.
steady() {
    local program=$1
    local -n cpuVar=$2 peakVar=$3
    local prepare=${4:-}
    for ((i = 0; i < cpuRuns; i++)); do
        startShown "$program"
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
bareCpus=() bareSteadyPeaks=() cpus=() peaks=() busyCpus=() busyPeaks=()
if ((cpuRuns > 0)); then
    steady bare bareCpus bareSteadyPeaks
    steady quorvil cpus peaks
    steady quorvil busyCpus busyPeaks openGraphAndLog
fi

ratio() { awk -v a="$1" -v b="$2" 'BEGIN {printf "%.2f", a / b}'; }
# One line of medians: what, quorvil4's values, the bare window's values.
report() {
    local what=$1 q=$2 b=$3
    echo "  $what: quorvil4 $q, bare window $b, ratio $(ratio "$q" "$b")"
}
bp=$(med "${barePeak[@]}") qp=$(med "${quorvilPeak[@]}")
echo "runs: $runs start-ups of each, $cpuRuns x ${cpuSeconds}s steady"
echo "time until the first window is mapped (ms), median (goal: ratio <= 1.10):"
report wall "$(med "${quorvilWall[@]}")" "$(med "${bareWall[@]}")"
echo "        [quorvil4 ${quorvilWall[*]}] [bare ${bareWall[*]}]"
report "CPU " "$(med "${quorvilCpu[@]}")" "$(med "${bareCpu[@]}")"
echo "time until the first window's first whole frame is drawn (ms), median:"
report wall "$(med "${quorvilFrame[@]}")" "$(med "${bareFrame[@]}")"
echo "        [quorvil4 ${quorvilFrame[*]}] [bare ${bareFrame[*]}]"
report "CPU " "$(med "${quorvilFrameCpu[@]}")" "$(med "${bareFrameCpu[@]}")"
echo "peak resident after start-up (MiB), median: quorvil4 $(mib "$qp"), bare window $(mib "$bp"), difference $(mib $((qp - bp)))"
if ((cpuRuns > 0)); then
    bsp=$(med "${bareSteadyPeaks[@]}") qbp=$(med "${busyPeaks[@]}")
    echo "with the graph open and logging every second:"
    echo "  peak resident (MiB), median: quorvil4 $(mib "$qbp"), bare window $(mib "$bsp"), difference $(mib $((qbp - bsp))) (goal <= 4.0)"
    echo "  CPU over ${cpuSeconds}s (% of one core), median: quorvil4 $(med "${busyCpus[@]}"), bare window $(med "${bareCpus[@]}")  [${busyCpus[*]}]"
    echo "plain, CPU over ${cpuSeconds}s (% of one core), median: $(med "${cpus[@]}")  [${cpus[*]}]; peak resident $(mib "$(med "${peaks[@]}")") MiB"
fi

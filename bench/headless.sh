#!/usr/bin/env bash
# The console mode's cost on a scripted port, logging every second to a file: resident memory
# after a minute, and CPU used over the span that follows (ten minutes by default).
# Usage: bench/headless.sh [build-dir]   Environment: SETTLE_SECONDS (60), CPU_SECONDS (600).
set -euo pipefail
build=$(realpath "${1:-build}")
binary="$build/app/quorvil4"
[ -x "$binary" ] || { echo "no $binary; build first" >&2; exit 1; }
settle=${SETTLE_SECONDS:-60}
span=${CPU_SECONDS:-600}

work=$(mktemp -d)
pid=
trap '[ -z "$pid" ] || kill "$pid" 2>/dev/null; rm -rf "$work"' EXIT
export XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data"
printf '0 0 10000 32767\n1 0 1000 65535\n' >"$work/port.txt"

env -u DISPLAY -u WAYLAND_DISPLAY "$binary" --headless --simulate="$work/port.txt" --interval=1 \
    --log="$work/log.csv" &
pid=$!
cpuTicks() { awk '{print $14 + $15}' "/proc/$pid/stat"; }
sleep "$settle"
rss=$(awk '/^VmRSS/ {print $2}' "/proc/$pid/status")
before=$(cpuTicks)
sleep "$span"
after=$(cpuTicks)
hz=$(getconf CLK_TCK)
echo "--headless, logging every second:"
echo "  resident after ${settle}s (MiB): $(awk -v k="$rss" 'BEGIN {printf "%.1f", k / 1024}')"
echo "  CPU over the next ${span}s (% of one core): $(awk -v d=$((after - before)) -v hz="$hz" \
    -v s="$span" 'BEGIN {printf "%.4f", 100 * d / hz / s}')"
echo "  lines logged: $(($(wc -l <"$work/log.csv") - 1))"

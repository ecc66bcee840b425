#!/usr/bin/env bash
# The console mode with metrics, on a scripted port: CPU of a run with --metrics and
# --metrics-file against one without, side by side over the same minute; the latency of 10
# scrapes a second over that minute (median, 99th percentile, worst); resident memory of
# --headless --metrics after it. Targets: a scrape under 5 ms, under 16 MiB resident.
# Usage: bench/metrics.sh [build-dir]   Environment: SECONDS_RUN (60).
set -euo pipefail
build=$(realpath "${1:-build}")
binary="$build/app/quorvil4"
[ -x "$binary" ] || { echo "no $binary; build first" >&2; exit 1; }
span=${SECONDS_RUN:-60}

work=$(mktemp -d)
pids=()
trap 'for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done; rm -rf "$work"' EXIT
export XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data"
printf '0 0 10000 32767\n1 0 1000 65535\n' >"$work/port.txt"
port=$((20000 + RANDOM % 40000))

run() { env -u DISPLAY -u WAYLAND_DISPLAY "$binary" --headless --simulate="$work/port.txt" \
    --interval=1 "$@" >/dev/null & pids+=($!); }
run
off=${pids[-1]}
run --metrics="127.0.0.1:$port" --metrics-file="$work/quorvil4.prom"
on=${pids[-1]}
until curl -sf -o /dev/null "http://127.0.0.1:$port/metrics"; do
    kill -0 "$on" || { echo "the metrics run ended" >&2; exit 1; }
    sleep 0.1
done
cpuTicks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
offBefore=$(cpuTicks "$off") onBefore=$(cpuTicks "$on")
end=$(($(date +%s) + span))
next=$(date +%s%N)
while [ "$(date +%s)" -lt "$end" ]; do
    curl -sf -o /dev/null -w '%{time_total}\n' "http://127.0.0.1:$port/metrics" >>"$work/latency"
    next=$((next + 100000000))
    wait=$(((next - $(date +%s%N)) / 1000000))
    ((wait <= 0)) || sleep "$(awk -v ms="$wait" 'BEGIN {printf "%.3f", ms / 1000}')"
done
offCpu=$(($(cpuTicks "$off") - offBefore)) onCpu=$(($(cpuTicks "$on") - onBefore))
rss=$(awk '/^VmRSS/ {print $2}' "/proc/$on/status")
offRss=$(awk '/^VmRSS/ {print $2}' "/proc/$off/status")
hz=$(getconf CLK_TCK)
percent() { awk -v d="$1" -v hz="$hz" -v s="$span" 'BEGIN {printf "%.3f", 100 * d / hz / s}'; }
echo "--headless over ${span}s, polling every second:"
echo "  CPU without metrics (% of one core): $(percent "$offCpu")"
echo "  CPU with --metrics and --metrics-file, scraped 10 times a second: $(percent "$onCpu")"
sort -g "$work/latency" | awk '{ t[NR] = $1 * 1000 } END {
    p = int(NR * 0.99); if (p < 1) p = 1
    printf "  scrapes: %d, latency (ms): median %.2f, 99th percentile %.2f, worst %.2f\n",
        NR, t[int((NR + 1) / 2)], t[p], t[NR] }'
echo "  resident after ${span}s (MiB): with metrics $(awk -v k="$rss" 'BEGIN {printf "%.1f", k / 1024}'), without $(awk -v k="$offRss" 'BEGIN {printf "%.1f", k / 1024}')"

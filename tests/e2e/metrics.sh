#!/usr/bin/env bash
# The console mode's metrics as monitoring reads them: a real Prometheus scrapes --metrics, a real
# node_exporter reads --metrics-file, and both give the temperature that the scripted reading and
# the stored coefficients make; promtool accepts the text; SIGTERM removes the file.
source "$(dirname "$0")/e2e.sh" "$@"
unset DISPLAY

servers=()
trap 'status=$?; set +e; for pid in "${servers[@]}"; do kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; done; (exit "$status"); cleanup' EXIT


# Sensor 1's coefficients and offset (+1 degree) as the window stores them, and a name that
# needs escaping.
mkdir -p "$(dirname "$userReg")"
cat >"$userReg" <<'REG'
REGEDIT4

[HKEY_CURRENT_USER\Software\Norvalde\Quorvil4\Misc]
"Degrees1C"="True"
"Degrees1F"="False"

[HKEY_CURRENT_USER\Software\Norvalde\Quorvil4\Sensor1]
"Sensor1_Name"="Cellar \"B\"\\2"
"Coefficient-1A"="0.0011"
"Coefficient-1B"="0.00024"
"Coefficient-1C"="0.00000007"
"Offset1"="2"
REG
setPort '0 0 10000 32767' '1 167 1000 65535'
expected=$(awk 'BEGIN { L = log(10000); printf "%.2f", 1 / (0.0011 + 0.00024 * L + 0.00000007 * L ^ 3) - 273.15 + 1 }')

textfiles="$work/textfiles"
mkdir -p "$textfiles"
metricsPort=$(freePort)
"$binary" --headless --simulate="$port" --log="$work/log.csv" --metrics="127.0.0.1:$metricsPort" \
    --metrics-file="$textfiles/quorvil4.prom" 2>"$work/err" &
appPid=$!
waitFor 20 "the metrics file" test -s "$textfiles/quorvil4.prom"
waitFor 20 "the metrics server" get -o "$work/scraped" "http://127.0.0.1:$metricsPort/metrics"

# What the program serves and writes is what Prometheus's own checker accepts.
promtool check metrics <"$work/scraped" >"$work/promtool" 2>&1 ||
    fail "promtool refused the served text: $(cat "$work/promtool")"
promtool check metrics <"$textfiles/quorvil4.prom" >"$work/promtool" 2>&1 ||
    fail "promtool refused the file: $(cat "$work/promtool")"

nodePort=$(freePort)
prometheus-node-exporter --collector.disable-defaults --collector.textfile \
    --collector.textfile.directory="$textfiles" --web.listen-address="127.0.0.1:$nodePort" \
    >"$work/node.log" 2>&1 &
servers+=($!)
nodeShows() {
    get "http://127.0.0.1:$nodePort/metrics" >"$work/node" || return 1
    grep -qx 'node_textfile_scrape_error 0' "$work/node" &&
        grep '^quorvil4_temperature_celsius{' "$work/node" | grep 'sensor="1"' |
        grep -F 'name="Cellar \"B\"\\2"' | grep -q " $expected\$"
}
waitFor 30 "node_exporter to show $expected" nodeShows

promPort=$(freePort)
cat >"$work/prometheus.yml" <<YML
global:
  scrape_interval: 1s
  scrape_timeout: 1s
scrape_configs:
  - job_name: quorvil4
    static_configs:
      - targets: ['127.0.0.1:$metricsPort']
YML
prometheus --config.file="$work/prometheus.yml" --storage.tsdb.path="$work/tsdb" \
    --web.listen-address="127.0.0.1:$promPort" >"$work/prometheus.log" 2>&1 &
servers+=($!)
promShows() {
    get -G "http://127.0.0.1:$promPort/api/v1/query" \
        --data-urlencode 'query=quorvil4_temperature_celsius{sensor="1"}' >"$work/query" || return 1
    [ "$(jq -r '.data.result[0].value[1]' "$work/query")" = "$expected" ] &&
        [ "$(jq -r '.data.result[0].metric.name' "$work/query")" = 'Cellar "B"\2' ]
}
waitFor 60 "Prometheus to hold $expected" promShows
# The unplugged joystick's sensors are down and have no temperature.
get -G "http://127.0.0.1:$promPort/api/v1/query" \
    --data-urlencode 'query=quorvil4_sensor_up == 0 or quorvil4_temperature_celsius{sensor=~"3|4"}' \
    >"$work/query"
[ "$(jq -r '[.data.result[].metric.sensor] | sort | join(",")' "$work/query")" = "3,4" ] ||
    fail "sensors 3 and 4: $(cat "$work/query")"

# A second program cannot take the same port: one line naming the address and the reason.
status=0
timeout 20 "$binary" --headless --simulate="$port" --metrics="127.0.0.1:$metricsPort" \
    >/dev/null 2>"$work/taken" || status=$?
[ "$status" -eq 1 ] && [ "$(cat "$work/taken")" = \
    "quorvil4: metrics cannot be served on 127.0.0.1:$metricsPort: Address already in use" ] ||
    fail "a taken port: status $status, $(cat "$work/taken")"

# A file that cannot be written is told once, and the log goes on.
timeout -s INT 4 "$binary" --headless --simulate="$port" --interval=1 \
    --metrics-file="$work/missing/quorvil4.prom" >"$work/unwritable.csv" 2>"$work/unwritable" || true
[ "$(grep -c metrics "$work/unwritable")" -eq 1 ] && grep -qx "quorvil4: the metrics file could \
not be written: $work/missing/quorvil4.prom: No such file or directory" "$work/unwritable" &&
    [ "$(wc -l <"$work/unwritable.csv")" -ge 3 ] ||
    fail "an unwritable file: $(cat "$work/unwritable")"

kill -TERM "$appPid"
status=0
wait "$appPid" || status=$?
appPid=
[ "$status" -eq 0 ] || fail "SIGTERM: status $status"
[ ! -e "$textfiles/quorvil4.prom" ] || fail "the metrics file is still there after SIGTERM"
[ -z "$(ls -A "$textfiles")" ] || fail "left in the textfile folder: $(ls -A "$textfiles")"
! grep -q metrics "$work/err" || fail "the console mode complained: $(cat "$work/err")"

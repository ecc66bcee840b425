# Publishing as Home Assistant meets it: discovery and states kept for a subscriber that comes
# later, discovery again when Home Assistant announces itself, "offline" at a normal end and from
# the last will when the program is killed.
source "$(dirname "$0")/broker.sh" "$@"
startBroker "allow_anonymous true"
startApp --mqtt=127.0.0.1:"$brokerPort"

has() { retained | grep -qx -- "$1"; }
waitFor 15 "the first readings" has "quorvil4/e2e/sensor4/state -3.7"
kept=$(retained)
for line in "quorvil4/e2e/availability online" "quorvil4/e2e/sensor1/state 33.0" \
    "quorvil4/e2e/sensor2/state 9.0" "quorvil4/e2e/sensor3/state 89.8" \
    "quorvil4/e2e/sensor1/availability online"; do
    grep -qx -- "$line" <<<"$kept" || fail "not retained: $line; got: $kept"
done
config=$(grep '^homeassistant/sensor/quorvil4_e2e/sensor1/config ' <<<"$kept") ||
    fail "no discovery for sensor 1: $kept"
for field in '"device_class":"temperature"' '"state_topic":"quorvil4/e2e/sensor1/state"' \
    '"unique_id":"quorvil4_e2e_sensor1"' '"sw_version":"4.1"'; do
    grep -qF -- "$field" <<<"$config" || fail "discovery lacks $field: $config"
done
[ "$(grep -c '^homeassistant/sensor/' <<<"$kept")" -eq 4 ] || fail "not four sensors: $kept"

# Steady readings: no new state within the minute.
capture
waitFor 10 "two more log lines" eval '[ "$(wc -l <"$work/log.csv")" -ge 4 ]'
! grep -q '/state ' "$work/live" || fail "unchanged states sent again: $(cat "$work/live")"

# Home Assistant starting again gets the discovery again.
mosquitto_pub -h 127.0.0.1 -p "$brokerPort" -t homeassistant/status -m online
waitFor 10 "discovery again" eval \
    "[ \$(grep -c '^homeassistant/sensor/quorvil4_e2e/sensor[1-4]/config {' '$work/live') -eq 4 ]"

# A normal end says "offline" itself.
stopApp
waitFor 10 "offline at the end" grep -qx "quorvil4/e2e/availability offline" "$work/live"
[ ! -s "$work/app.err" ] || fail "unexpected report: $(cat "$work/app.err")"

# Killed: the broker publishes the last will.
startApp --mqtt=127.0.0.1:"$brokerPort"
waitFor 15 "online again" has "quorvil4/e2e/availability online"
: >"$work/live"
{
    kill -9 "$appPid"
    wait "$appPid"
} 2>/dev/null || true
appPid=
waitFor 10 "the last will" grep -qx "quorvil4/e2e/availability offline" "$work/live"
has "quorvil4/e2e/availability offline" || fail "the last will is not retained"
echo "$scenario: all passed"

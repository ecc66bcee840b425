# A broker that is down at the start, then stops and comes back: the program keeps logging, says
# once that the connection is lost and once that it is back, and publishes its discovery again
# to the fresh broker.
source "$(dirname "$0")/broker.sh" "$@"
has() { retained | grep -qx -- "$1"; }
logLines() { wc -l <"$work/log.csv" 2>/dev/null || echo 0; }

startApp --mqtt=127.0.0.1:"$brokerPort"
waitFor 10 "the report of no broker" eval '[ "$(reports "cannot connect")" -eq 1 ]'
startBroker "allow_anonymous true"
waitFor 15 "the first connection" has "quorvil4/e2e/availability online"

stopBroker
before=$(logLines)
waitFor 10 "the report of the loss" eval '[ "$(reports "lost")" -eq 1 ]'
# Down only briefly: the delay between attempts grows from a second up to a minute.
startBroker "allow_anonymous true"
waitFor 20 "discovery on the new broker" eval \
    'retained | grep -q "^homeassistant/sensor/quorvil4_e2e/sensor1/config {"'
has "quorvil4/e2e/availability online" || fail "not online after the restart"
has "quorvil4/e2e/sensor1/state 33.0" || fail "no state after the restart"
waitFor 10 "the report of the return" eval '[ "$(reports "connected to .* again$")" -eq 1 ]'
[ "$(logLines)" -gt "$before" ] || fail "logging stopped while the broker was away"
[ "$(reports "cannot connect")" -eq 1 ] && [ "$(reports "lost")" -eq 1 ] ||
    fail "reported more than once: $(cat "$work/app.err")"
[ "$(reports "connected to")" -eq 2 ] && [ "$(wc -l <"$work/app.err")" -eq 4 ] ||
    fail "other reports: $(cat "$work/app.err")"
stopApp
echo "$scenario: all passed"

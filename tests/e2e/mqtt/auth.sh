# A broker that wants a password: the right one from a file is taken, a wrong one from the
# environment is refused with a clear message, and a file other users may read is warned of.
source "$(dirname "$0")/broker.sh" "$@"
mosquitto_passwd -c -b "$work/passwords" reader 'pa ss"word' 2>/dev/null
chmod 644 "$work/passwords"
startBroker "allow_anonymous false" "password_file $work/passwords"
has() { retained -u reader -P 'pa ss"word' | grep -qx -- "$1"; }

printf 'pa ss"word\nnot this line\n' >"$work/pw"
chmod 600 "$work/pw"
startApp --mqtt=127.0.0.1:"$brokerPort" --mqtt-user=reader --mqtt-password-file="$work/pw"
waitFor 15 "online with the password" has "quorvil4/e2e/availability online"
stopApp
[ ! -s "$work/app.err" ] || fail "unexpected report: $(cat "$work/app.err")"

# A wrong password: refused, said once, and the run goes on logging.
QUORVIL4_MQTT_PASSWORD=wrong startApp --mqtt=127.0.0.1:"$brokerPort" --mqtt-user=reader
waitFor 15 "the refusal" eval '[ "$(reports "not authori")" -eq 1 ]'
grep -q "cannot connect to 127.0.0.1:$brokerPort" "$work/app.err" || fail "unclear: $(cat "$work/app.err")"
waitFor 10 "logging on" eval '[ "$(wc -l <"$work/log.csv")" -ge 3 ]'
has "quorvil4/e2e/availability offline" || fail "the refused run changed the availability"
stopApp
[ "$(wc -l <"$work/app.err")" -eq 1 ] || fail "reported more than once: $(cat "$work/app.err")"

# A password file other users may read still works, with a warning.
: >"$work/app.err"
chmod 644 "$work/pw"
startApp --mqtt=127.0.0.1:"$brokerPort" --mqtt-user=reader --mqtt-password-file="$work/pw"
waitFor 15 "online again" has "quorvil4/e2e/availability online"
stopApp
grep -q "may be read by other users" "$work/app.err" || fail "no warning: $(cat "$work/app.err")"
echo "$scenario: all passed"

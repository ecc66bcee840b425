# TLS against a certificate authority of the test's own: a broker certified for 127.0.0.1 is
# taken; one certified for another host name is refused, with nothing sent in plain text, and
# the program goes on trying until the right one is back.
source "$(dirname "$0")/broker.sh" "$@"
cd "$work"
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Test CA" -keyout ca.key \
    -out ca.pem 2>/dev/null
certify() { # NAME SUBJECT-ALT-NAME
    openssl req -newkey rsa:2048 -nodes -subj "/CN=$1" -keyout "$1.key" -out "$1.csr" 2>/dev/null
    openssl x509 -req -in "$1.csr" -CA ca.pem -CAkey ca.key -CAcreateserial -days 2 \
        -extfile <(echo "subjectAltName=$2") -out "$1.pem" 2>/dev/null
}
certify right "IP:127.0.0.1"
certify wrong "DNS:other.example"
tlsBroker() {
    startBroker "allow_anonymous true" "cafile $work/ca.pem" "certfile $work/$1.pem" \
        "keyfile $work/$1.key"
}
has() { retained --cafile "$work/ca.pem" --insecure | grep -qx -- "$1"; }

tlsBroker right
startApp --mqtt=127.0.0.1:"$brokerPort" --mqtt-cafile="$work/ca.pem"
waitFor 15 "online over TLS" has "quorvil4/e2e/availability online"
stopApp
[ ! -s "$work/app.err" ] || fail "unexpected report: $(cat "$work/app.err")"
stopBroker

tlsBroker wrong
startApp --mqtt=127.0.0.1:"$brokerPort" --mqtt-cafile="$work/ca.pem"
waitFor 15 "the refusal" eval '[ "$(reports "cannot connect")" -eq 1 ]'
grep -q "TLS.*host name" "$work/app.err" || fail "unclear: $(cat "$work/app.err")"
! has "quorvil4/e2e/availability online" || fail "connected to the wrong host"
stopBroker
tlsBroker right
waitFor 20 "the right broker" has "quorvil4/e2e/availability online"
stopApp
[ "$(reports "cannot connect")" -eq 1 ] && [ "$(wc -l <"$work/app.err")" -eq 2 ] ||
    fail "reported more than once: $(cat "$work/app.err")"
echo "$scenario: all passed"

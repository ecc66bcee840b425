#!/usr/bin/env bash
# Builds the Debian package from a clean build, has lintian check it, unpacks it with dpkg-deb
# (nothing is installed) and runs what it holds from there.
# Usage: deb.sh WORK_FOLDER (emptied first, removed at the end). Exit 77: a packaging tool is
# missing.
set -uo pipefail
src="$(cd "$(dirname "$0")/../.." && pwd)"
work="$(realpath -m "$1")"

for tool in lintian dpkg-deb dpkg-shlibdeps systemd-analyze cpack groff; do
    command -v "$tool" >/dev/null ||
        { echo "SKIPPED: $tool is missing; scripts/setup.sh installs the packaging tools"; exit 77; }
done

rm -rf "$work"
mkdir -p "$work/home" "$work/run"
chmod 700 "$work/run"
pid=
cleanup() {
    [ -n "$pid" ] && kill "$pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

failures=0
fail() { echo "FAIL: $*" && failures=$((failures + 1)); }

if ! QUORVIL_SETUP=skip "$src/scripts/package.sh" "$work" >"$work/package.log" 2>&1; then
    tail -n 40 "$work/package.log"
    echo "FAIL: scripts/package.sh"
    exit 1
fi
root="$work/root"
deb=$(echo "$work"/quorvil4_*.deb)
dpkg-deb -x "$deb" "$root" || { echo "FAIL: dpkg-deb -x $deb"; exit 1; }
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/config" XDG_DATA_HOME="$work/home/data"
unset XDG_STATE_HOME

# The file name carries the program's own version, and the package is whole.
version=$("$root/usr/bin/quorvil4" --version)
[[ "$version" =~ ^Quorvil4\ ([0-9.]+)$ ]] || fail "--version printed '$version'"
expected="quorvil4_${BASH_REMATCH[1]:-?}-1_$(dpkg --print-architecture).deb"
[ "$(basename "$deb")" = "$expected" ] || fail "package $(basename "$deb"), expected $expected"
for file in usr/libexec/quorvil4/quorvil4-{headless,recorder} usr/share/man/man1/quorvil4.1.gz \
    usr/share/applications/quorvil4.desktop usr/share/icons/hicolor/{32x32,48x48,64x64,128x128}/apps/quorvil4.png \
    usr/share/doc/quorvil4/{copyright,changelog.Debian.gz,70-quorvil4.rules} \
    usr/lib/systemd/user/quorvil4-headless.service; do
    [ -s "$root/$file" ] || fail "the package lacks /$file"
done
depends=$(dpkg-deb -f "$deb" Depends)
names=$(tr ',|' '\n\n' <<<"$depends" | sed 's/^ *//; s/[ (].*//')
for name in libqt6widgets6 libqt6core6 libevdev2 libc6 qt6-qpa-plugins libsqlite3-0; do
    grep -qx "$name" <<<"$names" || fail "Depends lacks $name: $depends"
done
recommends=$(dpkg-deb -f "$deb" Recommends)
[ "$recommends" = "libmicrohttpd12, libmosquitto1" ] || fail "Recommends: $recommends"

out=$(lintian --fail-on error,warning --tag-display-limit 0 "$deb" 2>&1) || fail "lintian: $out"

# The window program finds its console mode where the package put it.
"$root/usr/bin/quorvil4" --help | grep -q -- --headless || fail "--help does not list --headless"
err=$(timeout 20 "$root/usr/bin/quorvil4" --headless --log="$root" 2>&1)
status=$?
[[ $status -eq 1 && "$err" == *"$root"* ]] ||
    fail "--headless with a folder as its log: status $status, '$err'"

out=$(gzip -dc "$root/usr/share/man/man1/quorvil4.1.gz" | groff -man -ww -z 2>&1)
[ -z "$out" ] || fail "the manual page does not format cleanly: $out"

# The unit as shipped, with its program looked up in the unpacked tree instead of /usr/bin.
unit="$root/usr/lib/systemd/user/quorvil4-headless.service"
grep -q "/usr/bin/quorvil4 --headless" "$unit" || fail "the unit does not start /usr/bin/quorvil4"
mkdir -p "$work/verify"
sed "s|/usr/bin/quorvil4|$root/usr/bin/quorvil4|g" "$unit" >"$work/verify/quorvil4-headless.service"
out=$(XDG_RUNTIME_DIR="$work/run" systemd-analyze verify --user --man=no \
    "$work/verify/quorvil4-headless.service" 2>&1) && [ -z "$out" ] || fail "systemd-analyze: $out"

# Its command as the service manager runs it (it has no specifier or variable of the manager's, so
# only $$ and %% change): each start logs into a file
# of its own in the user's state folder, which it creates, beginning with the header.
command=$(sed -n 's/^ExecStart=//p' "$work/verify/quorvil4-headless.service")
literal=${command//%%/}
[[ ${literal//\$\$/} != *[%\$]* ]] || fail "the service manager would replace a lone % or \$ in: $command"
command=${command//\$\$/\$}
command=${command//%%/%}
eval "argv=($command)"
"${argv[@]}" 2>/dev/null &
pid=$!
log="$HOME/.local/state/quorvil4/QuorvilLog-*.csv"
for _ in $(seq 200); do
    [ -s $log ] 2>/dev/null && break
    sleep 0.05
done
kill "$pid" && wait "$pid"
pid=
[[ $(echo $log) =~ /QuorvilLog-[0-9]{4}-[0-9]{2}-[0-9]{2}_[0-9]{6}\.csv$ ]] || fail "service log: $(echo $log)"
head -n 1 $log 2>&1 | grep -q "^Date,Time," || fail "the service's log lacks the header"

[ "$failures" -eq 0 ] || exit 1
echo "PASS: $(basename "$deb")"

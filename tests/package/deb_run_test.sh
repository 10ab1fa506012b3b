#!/usr/bin/env bash
# The packaged program as a user meets it: installed from build/deb (made by
# scripts/deb.sh), started from /usr/bin/nubrel by an unprivileged user with a
# fresh home under Xvfb, against the simulated device. The program folder
# cannot be written, so settings, history and log go to ~/.local/share/Nubrel;
# the package is then removed and the user's files stay. Run as root.
#   tests/package/deb_run_test.sh [MODEMSIM]
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
modemsim=$(realpath "${1:-$root/build/debug/tools/modemsim/modemsim}")
fail() { echo "FAIL: deb run: $*" >&2; exit 1; }
[ "$(id -u)" -eq 0 ] || fail "run as root: it installs the package and makes a user"
[ -x "$modemsim" ] || fail "no simulated device at $modemsim"
deb=$(ls "$root"/build/deb/nubrel_*.deb 2>/dev/null) || fail "no package in build/deb (scripts/deb.sh)"
apt() { flock /tmp/nubrel-apt.lock env DEBIAN_FRONTEND=noninteractive apt-get -qq "$@"; }

user=nubrel-test
id "$user" >/dev/null 2>&1 || useradd --no-create-home --shell /bin/sh "$user" || fail "no user"
work=$(mktemp -d /tmp/nubrel-deb-XXXXXX)
home=$work/home
data=$home/.local/share/Nubrel
dev=$home/device
mkdir -p "$dev"
chown -R "$user" "$home"
chmod 755 "$work"
pids=()
. "$root/scripts/lib/headless.sh"
cleanup() {
    stop_started
    dpkg-query -W -f='${Status}' nubrel 2>/dev/null | grep -q 'install ok installed' && apt remove -y nubrel >/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
# The command as the test user in a clean environment. setpriv and env exec
# what they run: `(as_user_exec COMMAND) &` makes $! the command itself, so a
# signal to it reaches it and nothing outlives the test.
as_user() {
    setpriv --reuid="$user" --regid="$user" --init-groups \
        env -i HOME="$home" DISPLAY="$DISPLAY" LANG=ja_JP.UTF-8 PATH=/usr/bin:/bin \
        DBUS_SESSION_BUS_ADDRESS="${DBUS_SESSION_BUS_ADDRESS:-}" "$@"
}
as_user_exec() {
    exec setpriv --reuid="$user" --regid="$user" --init-groups \
        env -i HOME="$home" DISPLAY="$DISPLAY" LANG=ja_JP.UTF-8 PATH=/usr/bin:/bin \
        DBUS_SESSION_BUS_ADDRESS="${DBUS_SESSION_BUS_ADDRESS:-}" "$@"
}
text_of() { [ -f "$data/$1" ] && iconv -f CP932 -t UTF-8 "$data/$1" | tr -d '\r'; }
title_is() { xdotool search --onlyvisible --name "^$1\$" >/dev/null 2>&1; }
start_program() {
    (as_user_exec /usr/bin/nubrel) >"$work/nubrel.out" 2>&1 &
    program=$!
    pids+=($program)
}
# SIGTERM runs the same shut-down as the exit command.
stop_program() {
    kill -TERM "$program"
    until_ok 15 sh -c "! kill -0 $program 2>/dev/null" || return 1
    wait "$program"
}

apt install -y "$deb" >/dev/null || fail "apt-get install $deb failed"
read -r first last <<<"${NUBREL_DISPLAYS:-161 170}"
start_headless_display "$first" "$last" 300 "$work/desktop" || fail "no display"

# The user's own session bus, ended with the test (Qt would start one that stays).
eval "$(as_user dbus-launch --sh-syntax)"
pids+=("$DBUS_SESSION_BUS_PID")

# The first start makes the user's settings from the shipped ones.
start_program
until_ok 20 test -f "$data/Nubrel.ini" || fail "no Nubrel.ini in $data: $(cat "$work/nubrel.out")"
until_ok 20 title_is '準備中' || fail "no window"
stop_program || fail "did not end on SIGTERM"
[ "$(text_of Nubrel.ini | grep '^PRODUCTSLIST')" = "$(iconv -f CP932 -t UTF-8 /usr/lib/nubrel/Nubrel.ini | tr -d '\r' | grep '^PRODUCTSLIST')" ] ||
    fail "the settings were not made from the shipped ones: $(text_of Nubrel.ini)"

# The port on the simulated device (the user's own pseudo-terminal), a tick every second.
text_of Nubrel.ini | sed 's/^TIMER=.*/TIMER=1/' | { cat; printf '[PORTS]\nCOM2=%s\n' "$dev/modem"; } |
    sed 's/$/\r/' | iconv -f UTF-8 -t CP932 >"$work/ini"
as_user sh -c "cat >'$data/Nubrel.ini'" <"$work/ini"
(as_user_exec "$modemsim" --kind 0 --number 0312345678 --link "$dev/modem" --control "$dev/control") \
    >"$work/modemsim.out" 2>&1 &
pids+=($!)
until_ok 10 test -e "$dev/modem" || fail "no simulated device"
start_program
until_ok 20 title_is '0312345678' || fail "held number not shown: $(cat "$work/nubrel.out")"
printf 'call 0451112222\n' | as_user sh -c "cat >'$dev/control.tmp' && mv '$dev/control.tmp' '$dev/control'"
until_ok 15 title_is '0451112222' || fail "call not shown"
until_ok 5 sh -c "iconv -f CP932 -t UTF-8 '$data/着信履歴.TXT' | grep -q ',0451112222'" ||
    fail "call not written to $data: $(text_of 着信履歴.TXT)"
stop_program || fail "did not end on SIGTERM"
text_of Nubrel.ini | grep -q '^STATE=' || fail "settings not written at exit"
dpkg --verify nubrel || fail "the program folder was changed"

apt remove -y nubrel >/dev/null || fail "apt-get remove failed"
[ -e /usr/bin/nubrel ] && fail "/usr/bin/nubrel left"
for f in Nubrel.ini 着信履歴.TXT; do
    [ -f "$data/$f" ] || fail "the user's $f went with the package"
done
echo "PASS: deb run as $user with its files in ~/.local/share/Nubrel"

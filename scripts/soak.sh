#!/usr/bin/env bash
# Soak: the installed program against the simulated device at TIMER=1 for a
# while, with random calls, withheld calls, silent spells of one or two
# exchanges and "ERROR" answers. Then every call the device took must be in the
# history exactly once and in order, the log must be empty (no spell reaches the
# third unanswered exchange), and open descriptors and resident memory must not
# have grown.
#
#   scripts/soak.sh [MINUTES] [--build-dir DIR]     (default 10 minutes, build/release)
set -uo pipefail
cd "$(dirname "$0")/.."
minutes=10
build=build/release
while [ $# -gt 0 ]; do
    case $1 in
    --build-dir) build=$2; shift 2 ;;
    *) minutes=$1; shift ;;
    esac
done

if [ ! -x "$build/src/nubrel" ] && [ ! -x "$build/nubrel" ]; then
    scripts/install-deps.sh >/dev/null
    cmake --preset release >/dev/null && cmake --build --preset release -j2 >/dev/null || exit 1
fi
modemsim=$(find "$build" -name modemsim -type f -perm -u+x | head -n 1)
[ -n "$modemsim" ] || { echo "soak: no modemsim in $build" >&2; exit 1; }

work=$(mktemp -d /tmp/nubrel-soak-XXXXXX)
folder=$work/Nubrel
cmake --install "$build" --prefix "$folder" >/dev/null || exit 1
pids=()
. scripts/lib/headless.sh
cleanup() {
    stop_started
    [ "${keep:-0}" = 1 ] || rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "soak: FAIL: $*" >&2; keep=1; echo "soak: files kept in $work" >&2; exit 1; }

start_headless_display 70 120 $((minutes * 60 + 120)) "$work/icewm" || fail "no display with a tray host"

# Kind 1: every call has its own index, so the same number twice is two calls.
printf '[ENV]\r\nTIMER=1\r\nCOMPORT=2\r\n[NUBREL]\r\nPRODUCTSIDX=0\r\nPRODUCTSLISTCNT=1\r\nPRODUCTSLIST0=1,modem\r\n[PORTS]\r\nCOM2=%s\r\n' \
    "$work/modem" | iconv -f UTF-8 -t CP932 >"$folder/Nubrel.ini"
"$modemsim" --kind 1 --link "$work/modem" --control "$work/control" --log "$work/device.log" \
    >"$work/modemsim.out" 2>&1 &
pids+=($!)
until_ok 10 test -e "$work/modem" || fail "no simulated device"
"$folder/nubrel" >"$work/nubrel.out" 2>&1 &
program=$!
pids+=($program)

# A ten-digit number with the leading 0 of a Japanese line.
random_number() { echo "0$((RANDOM % 9 + 1))$(printf '%08d' $((RANDOM * 32768 + RANDOM)) | cut -c1-8)"; }
tell() { printf '%s\n' "$@" >"$work/control.tmp" && mv "$work/control.tmp" "$work/control"; }
count() { grep -c "$1" "$work/device.log" 2>/dev/null || true; }
answered() { count '^send .*OK'; }
history_count() { [ -f "$folder/着信履歴.TXT" ] && tr -d '\r' <"$folder/着信履歴.TXT" | grep -c . || echo 0; }
alive() { kill -0 "$program" 2>/dev/null || fail "the program ended: $(cat "$work/nubrel.out")"; }
fds() { ls "/proc/$program/fd" | wc -l; }
rss_kb() { awk '/^VmRSS/ {print $2}' "/proc/$program/status"; }
history_has() { [ "$(history_count)" -ge "$1" ]; }
answers_after() { [ "$(answered)" -gt "$1" ]; }

until_ok 15 answers_after 1 || fail "the program does not talk to the device"
sleep 3 # let start-up allocations settle before the first reading
fds_start=$(fds)
rss_start=$(rss_kb)
expected=()
spells=0
errors=0
end=$((SECONDS + minutes * 60))
while [ $SECONDS -lt $end ]; do
    alive
    r=$((RANDOM % 10))
    if [ $r -le 5 ]; then
        number=$(random_number)
        tell "call $number"
    elif [ $r = 6 ]; then
        number=99999999999
        tell withheld
    elif [ $r = 7 ]; then
        # A silent spell, sometimes with a call waiting behind it.
        n=$((RANDOM % 2 + 1))
        before=$(answered)
        spells=$((spells + 1))
        if [ $((RANDOM % 2)) = 0 ]; then
            number=$(random_number)
            tell "silent $n" "call $number"
        else
            number=
            tell "silent $n"
        fi
        # The spell is over once the device has answered again.
        until_ok $((n * 5 + 10)) answers_after "$before" || fail "no answer after a silent spell"
        [ -z "$number" ] && continue
    elif [ $r = 8 ]; then
        before=$(answered)
        errors=$((errors + 1))
        tell 'error 1'
        until_ok 10 answers_after "$before" || fail "no answer after ERROR"
        continue
    else
        sleep $((RANDOM % 3 + 1))
        continue
    fi
    expected+=("$number")
    until_ok 20 history_has ${#expected[@]} || fail "call ${#expected[@]} ($number) not written"
done
alive
fds_end=$(fds)
rss_end=$(rss_kb)
kill -TERM "$program"
until_ok 10 sh -c "! kill -0 $program" || fail "the program did not end on SIGTERM"

got=$(tr -d '\r' <"$folder/着信履歴.TXT" | cut -d, -f3)
want=$(printf '%s\n' "${expected[@]}")
[ "$got" = "$want" ] || fail "history differs from the calls taken: $(diff <(echo "$want") <(echo "$got") | head)"
if [ -s "$folder/Nubrel.log" ]; then
    fail "log: $(iconv -f CP932 -t UTF-8 "$folder/Nubrel.log" | head)"
fi
exchanges=$(count '^recv at$a')
echo "soak: ${minutes} min, $exchanges exchanges, ${#expected[@]} calls taken and ${#expected[@]} recorded in order," \
    "$spells silent spells, $errors ERROR answers"
echo "soak: descriptors $fds_start -> $fds_end, resident memory ${rss_start} kB -> ${rss_end} kB"
[ "$fds_end" -le "$fds_start" ] || fail "open descriptors grew"
# Allocator noise of a few hundred kB is not growth; a leak per exchange would be.
[ $((rss_end - rss_start)) -le 2048 ] || fail "resident memory grew by $((rss_end - rss_start)) kB"
echo "soak: PASS"

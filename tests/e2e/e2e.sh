#!/usr/bin/env bash
# One end-to-end case: a copy of the installed program folder, the simulated
# device on a pseudo-terminal, Xvfb with icewm as window manager and tray host.
# Every wait is for a condition with a deadline.
set -uo pipefail
case_name=$1
: "${NUBREL_PREFIX:?}" "${NUBREL_MODEMSIM:?}" "${NUBREL_SHOTS:?}"

work=$(mktemp -d /tmp/nubrel-e2e-XXXXXX)
folder=$work/Nubrel
cp -r "$NUBREL_PREFIX" "$folder"
mkdir -p "$NUBREL_SHOTS"
pids=()
cleanup() {
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

fail() { echo "FAIL: $*" >&2; shot "failed"; exit 1; }
pass() { echo "PASS: $case_name"; exit 0; }

# until SECONDS COMMAND...: true once COMMAND succeeds, false at the deadline.
until_ok() {
    local deadline=$((SECONDS + $1)); shift
    while [ $SECONDS -lt $deadline ]; do
        "$@" >/dev/null 2>&1 && return 0
        sleep 0.1
    done
    return 1
}

start_display() {
    local n
    for n in $(seq 20 60); do
        [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ] && continue
        display=:$n
        break
    done
    timeout -k 3 110 Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    pids+=($!)
    export DISPLAY=$display
    until_ok 10 xdpyinfo || fail "Xvfb did not start"
    timeout -k 3 110 icewm >/dev/null 2>&1 &
    pids+=($!)
    # The tray host must own the tray selection before the program asks for it.
    until_ok 15 "$(dirname "$0")/tray_ready.py" || fail "no tray host"
}

shot() {
    [ -n "${DISPLAY:-}" ] && import -window root "$NUBREL_SHOTS/$case_name-$1.png" 2>/dev/null || true
}

ini_text() { iconv -f CP932 -t UTF-8 "$folder/Nubrel.ini"; }

# Settings: port 2 on the simulated device, a tick every second.
write_ini() { # extra lines for [NUBREL]
    printf '[ENV]\r\nTIMER=1\r\nCOMPORT=2\r\n[NUBREL]\r\nPRODUCTSIDX=0\r\nPRODUCTSLISTCNT=1\r\nPRODUCTSLIST0=0,modem\r\n%s[PORTS]\r\nCOM2=%s\r\n' \
        "$1" "$work/modem" | iconv -f UTF-8 -t CP932 >"$folder/Nubrel.ini"
}

start_device() { # modemsim options
    "$NUBREL_MODEMSIM" --link "$work/modem" --control "$work/control" "$@" >"$work/modemsim.out" 2>&1 &
    pids+=($!)
    until_ok 10 test -e "$work/modem" || fail "no simulated device"
}

tell_device() { printf '%s\n' "$@" >"$work/control.tmp" && mv "$work/control.tmp" "$work/control"; }

start_program() {
    "$folder/nubrel" >"$work/nubrel.out" 2>&1 &
    program=$!
    pids+=($program)
}

title_is() { xdotool search --name "^$1\$" >/dev/null 2>&1; }
history_lines() { [ -f "$folder/着信履歴.TXT" ] && iconv -f CP932 -t UTF-8 "$folder/着信履歴.TXT" | tr -d '\r'; }

stop_program() {
    kill -TERM "$program" 2>/dev/null
    local deadline=$((SECONDS + 10))
    while kill -0 "$program" 2>/dev/null && [ $SECONDS -lt $deadline ]; do sleep 0.1; done
    kill -0 "$program" 2>/dev/null && fail "the program did not end on SIGTERM"
    wait "$program"
}

start_display
case $case_name in
startup_title)
    write_ini ''
    start_device --kind 0
    start_program
    until_ok 15 title_is '準備中' || fail "no window titled 準備中"
    shot window
    stop_program
    pass ;;
call_shown_and_written)
    write_ini ''
    start_device --kind 0 --number 0312345678
    start_program
    until_ok 15 title_is '0312345678' || fail "held number not shown"
    [ -z "$(history_lines)" ] || fail "the held number was written"
    tell_device 'call 0451112222'
    until_ok 15 title_is '0451112222' || fail "new call not shown"
    shot window
    sleep 2.5 # two more ticks: the same number must not be written again
    lines=$(history_lines)
    [ "$(printf '%s\n' "$lines" | grep -c ',0451112222$')" = 1 ] || fail "history: $lines"
    [ "$(printf '%s\n' "$lines" | wc -l)" = 1 ] || fail "history: $lines"
    printf '%s\n' "$lines" | grep -Eq '^[0-9]{4}/[0-9]{2}/[0-9]{2},[0-9]{2}:[0-9]{2}:[0-9]{2},0451112222$' || fail "line layout: $lines"
    stop_program
    pass ;;
withheld_call)
    write_ini ''
    start_device --kind 0 --number 0312345678
    start_program
    until_ok 15 title_is '0312345678' || fail "held number not shown"
    tell_device withheld
    until_ok 15 title_is '非通知' || fail "withheld call not shown"
    shot window
    until_ok 5 sh -c "iconv -f CP932 -t UTF-8 '$folder/着信履歴.TXT' | grep -q ',99999999999'" || fail "withheld mark not written"
    stop_program
    pass ;;
tray_start)
    write_ini $'STATE=3\r\nTOP=1500\r\nLEFT=1500\r\nHEIGHT=1800\r\nWIDTH=4500\r\n'
    start_device --kind 0
    start_program
    until_ok 15 sh -c "xdotool search --class nubrel | head -n 1 | grep -q ." || fail "no window of the program"
    sleep 1
    xdotool search --onlyvisible --name '^準備中$' >/dev/null 2>&1 && fail "the main window is visible"
    # The tray icon is an embedded window of the program's own class.
    until_ok 10 sh -c "xdotool search --onlyvisible --class nubrel | grep -q ." || fail "no tray icon"
    shot tray
    stop_program
    ini_text | tr -d '\r' | grep -qx 'STATE=3' || fail "STATE 3 not written"
    ini_text | tr -d '\r' | grep -qx 'TOP=1500' || fail "position keys changed"
    pass ;;
sigterm_writes_settings)
    write_ini ''
    start_device --kind 0
    start_program
    until_ok 15 title_is '準備中' || fail "no window"
    shot window
    stop_program
    keys=$(ini_text | tr -d '\r' | sed -n '/^\[NUBREL\]/,/^\[/p' | grep = | cut -d= -f1 | tr '\n' ' ')
    expected='PRODUCTSIDX PRODUCTSLISTCNT PRODUCTSLIST0 TOP LEFT HEIGHT WIDTH STATE FONT FONTSIZE FONTBOLD FONTITALIC '
    [ "$keys" = "$expected" ] || fail "keys: $keys"
    grep -q $'FONTITALIC=False\r$' "$folder/Nubrel.ini" || fail "no CR LF"
    pass ;;
second_instance_refused)
    write_ini ''
    start_device --kind 0
    start_program
    until_ok 15 title_is '準備中' || fail "no window"
    before=$(md5sum "$folder/Nubrel.ini")
    timeout 10 "$folder/nubrel"; rc=$?
    [ $rc = 0 ] || fail "second start exited $rc"
    [ "$(xdotool search --name '^準備中$' | wc -l)" = 1 ] || fail "a second window appeared"
    [ "$before" = "$(md5sum "$folder/Nubrel.ini")" ] || fail "the second start touched the settings"
    kill -0 "$program" || fail "the first copy ended"
    shot window
    stop_program
    pass ;;
*) fail "unknown case $case_name" ;;
esac

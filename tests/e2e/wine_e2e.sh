#!/usr/bin/env bash
# The installed Windows program under Wine, end to end: one Wine server and
# one display (Xvfb with icewm as window manager and XEmbed tray host) for the
# whole run, since Wine's desktop process stays on the display it first met;
# each case in a program folder of its own, COM2 mapped to the simulated
# device on a pseudo-terminal. Cases are judged by what they show (title,
# files, windows, the tray) and, where the program ends, by its exit status.
#   wine_e2e.sh PROGRAM_FOLDER MODEMSIM SHOTS_DIR [CASE...]
# With NUBREL_WINE_DEVICE set, the caller has started the display and Wine
# (scripts/lib/wine.sh) with COM2 mapped to that path and COM3 to the same
# path and "3", and NUBREL_TRAY_HOST and NUBREL_DESKTOP_CONFIG name its tray
# host's process and configuration; otherwise this script starts its own.
set -uo pipefail
installed=$1 modemsim=$2 shots=$3
shift 3
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
run=$(mktemp -d /tmp/nubrel-wine-XXXXXX)
mkdir -p "$shots"
pids=()
. "$root/scripts/lib/headless.sh"
. "$root/scripts/lib/wine.sh"

cleanup() {
    wine taskkill /f /im Nubrel.exe >/dev/null 2>&1
    [ -n "${NUBREL_WINE_DEVICE:-}" ] || stop_wine
    stop_started
    [ -n "${NUBREL_KEEP:-}" ] || rm -rf "$run"
}
trap cleanup EXIT

# Every case's device appears at this path; Wine follows it at each open.
modem=${NUBREL_WINE_DEVICE:-$run/modem}
modem3=${modem}3
# The tests' own program that records the arguments it was started with.
argv_echo=${NUBREL_ARGV_ECHO:-$installed/../../tests/nubrel_argv_echo.exe}
if [ -z "${NUBREL_WINE_DEVICE:-}" ]; then
    start_headless_display 140 160 1800 "$run/desktop" || { echo "FAIL: no display" >&2; exit 1; }
    start_wine "$run/wine" || { echo "FAIL: no Wine prefix" >&2; exit 1; }
    wine_map_port 2 "$modem" || { echo "FAIL: COM2 not mapped" >&2; exit 1; }
    wine_map_port 3 "$modem3" || { echo "FAIL: COM3 not mapped" >&2; exit 1; }
else
    # The caller's tray host, which the late tray's case ends and starts again.
    tray_host=${NUBREL_TRAY_HOST:?} headless_config=${NUBREL_DESKTOP_CONFIG:?} headless_lifetime=1800
fi
tray_ready() { "$here/tray_ready.py"; }

failures=0
case_fail() { echo "FAIL: $case_name: $*" >&2; shot failed; return 1; }
shot() { import -window root "$shots/wine-$case_name-$1.png" 2>/dev/null || true; }

# A fresh program folder and device for the case.
new_case() {
    case_name=$1
    work=$run/$case_name
    folder=$work/Nubrel
    mkdir -p "$work"
    cp -r "$installed" "$folder"
    rm -f "$modem" "$modem3"
    # A case that ended the tray host and failed before it came back.
    tray_ready >/dev/null 2>&1 || start_tray_host || echo "FAIL: no tray host for $case_name" >&2
}
write_ini() { # extra lines for [NUBREL]
    printf '[ENV]\r\nTIMER=1\r\nCOMPORT=2\r\n[NUBREL]\r\nPRODUCTSIDX=0\r\nPRODUCTSLISTCNT=1\r\nPRODUCTSLIST0=%s\r\n%s' \
        "${product:-0,modem}" "${1:-}" | iconv -f UTF-8 -t CP932 >"$folder/Nubrel.ini"
}
start_device() { # modemsim options
    "$modemsim" --link "$modem" --control "$work/control" --log "$work/device.log" "$@" \
        >"$work/modemsim.out" 2>&1 &
    device=$!
    pids+=($device)
    until_ok 10 test -e "$modem"
}
stop_device() { kill "$device" 2>/dev/null; wait "$device" 2>/dev/null; rm -f "$modem"; }
tell_device() { printf '%s\n' "$@" >"$work/control.tmp" && mv "$work/control.tmp" "$work/control"; }
device_heard() { grep -q "^recv $1" "$work/device.log" 2>/dev/null; }
exchanges() { grep -c '^recv ' "$work/device.log" 2>/dev/null; }
await_exchanges() { # N more
    local target=$(($(exchanges) + $1))
    until_ok 20 sh -c "[ \$(grep -c '^recv ' '$work/device.log') -ge $target ]"
}

start_program() {
    wine "$folder/Nubrel.exe" >"$work/nubrel.out" 2>&1 &
    program=$!
    pids+=($program)
}
# WM_CLOSE to the program's windows, as Windows' own taskkill sends it.
close_program() {
    wine taskkill /im Nubrel.exe >/dev/null 2>&1
    ended_within 15
}
# The program has ended within SECONDS, and with status 0: the `wine`
# process ends with the Windows program's exit code, so a crash or an abort
# on the way out fails here even when every file was written.
ended_within() {
    local deadline=$((SECONDS + $1))
    while kill -0 "$program" 2>/dev/null && [ $SECONDS -lt $deadline ]; do sleep 0.1; done
    kill -0 "$program" 2>/dev/null && return 1
    program_status=0
    wait "$program" 2>/dev/null || program_status=$?
    [ "$program_status" = 0 ] || echo "$case_name: the program ended with status $program_status" >&2
    [ "$program_status" = 0 ]
}
title_is() { xdotool search --onlyvisible --name "^$1\$" >/dev/null 2>&1; }
# Every visible window of the program with a title: the main window whatever
# its title, a question, a dialog, a message box. The pop-up has none.
titled_windows() {
    local w
    for w in $(xdotool search --onlyvisible --class '^nubrel\.exe$' 2>/dev/null); do
        [ -n "$(xdotool getwindowname "$w" 2>/dev/null)" ] && echo "$w"
    done
}
no_titled_window() { [ -z "$(titled_windows)" ]; }
# The program's window titled $1 other than $main_window.
other_window() {
    local w
    for w in $(titled_windows); do
        [ "$w" != "${main_window:-}" ] && [ "$(xdotool getwindowname "$w")" = "$1" ] && { echo "$w"; return 0; }
    done
    return 1
}
# The Stop/Exit question titled $1: the program's window of that title wider
# than the main window (at start-up it comes before the main window shows).
question_window() {
    local w
    for w in $(titled_windows); do
        [ "$(xdotool getwindowname "$w")" = "$1" ] || continue
        eval "$(xdotool getwindowgeometry --shell "$w")"
        [ "$WIDTH" -gt 400 ] && { echo "$w"; return 0; }
    done
    return 1
}
# A click on a button of WINDOW (a question, a message box), its middle DX
# pixels right of the window's middle, 22 px above its bottom: where icewm
# draws it and where Wine thinks it is, 19 px lower, both.
click_in() { # WINDOW DX
    eval "$(xdotool getwindowgeometry --shell "$1")"
    xdotool mousemove $((X + WIDTH / 2 + $2)) $((Y + HEIGHT - 22)) click 1
}
log_lines() { text_of Nubrel.log; }
log_count() { log_lines | grep -c .; }
# Each line of a file ends in CR LF, the last one too.
crlf_lines() {
    [ -s "$folder/$1" ] && [ "$(tail -c 2 "$folder/$1" | od -An -tx1 | tr -d ' ')" = 0d0a ] &&
        [ "$(grep -c $'\r$' "$folder/$1")" = "$(wc -l <"$folder/$1")" ]
}
stamp='[0-9]{4}/[0-9]{2}/[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2}'
windows_named() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | wc -l; }
text_of() { [ -f "$folder/$1" ] && iconv -f CP932 -t UTF-8 "$folder/$1" | tr -d '\r'; }
settings_written() { text_of Nubrel.ini | grep -q '^STATE='; }
# The icon Wine docks in icewm's tray: a small window of Wine's desktop process.
tray_icon() {
    local w
    for w in $(xdotool search --onlyvisible --class explorer.exe 2>/dev/null); do
        eval "$(xdotool getwindowgeometry --shell "$w")"
        [ "$WIDTH" -le 48 ] && [ "$HEIGHT" -le 48 ] && [ "$Y" -gt 700 ] &&
            { echo "$((X + WIDTH / 2)) $((Y + HEIGHT / 2))"; return 0; }
    done
    return 1
}

case_fresh_start_and_settings_at_exit() {
    write_ini
    start_device --kind 0 --number 0312345678
    start_program
    until_ok 20 title_is '0312345678' || until_ok 5 title_is '準備中' || case_fail "no window" || return
    shot window
    close_program || case_fail "did not end on WM_CLOSE" || return
    settings_written || case_fail "settings not written: $(text_of Nubrel.ini)" || return
    text_of Nubrel.ini | grep -qx 'PRODUCTSLIST0=0,modem' || case_fail "product list lost" || return
    text_of Nubrel.ini | grep -Eq '^FONTSIZE=[0-9]+$' || case_fail "no font size" || return
}

case_kind0_calls() {
    write_ini
    start_device --kind 0 --number 0312345678
    start_program
    until_ok 20 title_is '0312345678' || case_fail "held number not shown" || return
    [ -z "$(text_of 着信履歴.TXT)" ] || case_fail "the held number was written" || return
    tell_device 'call 0451112222'
    until_ok 15 title_is '0451112222' || case_fail "new call not shown" || return
    shot window
    await_exchanges 2 || case_fail "no more exchanges" || return
    local lines
    lines=$(text_of 着信履歴.TXT)
    [ "$(printf '%s\n' "$lines" | wc -l)" = 1 ] || case_fail "history: $lines" || return
    printf '%s\n' "$lines" | grep -Eq '^[0-9]{4}/[0-9]{2}/[0-9]{2},[0-9]{2}:[0-9]{2}:[0-9]{2},0451112222$' ||
        case_fail "line layout: $lines" || return
    tell_device withheld
    until_ok 15 title_is '非通知' || case_fail "withheld call not shown" || return
    until_ok 5 sh -c "iconv -f CP932 -t UTF-8 '$folder/着信履歴.TXT' | grep -q ',99999999999'" ||
        case_fail "withheld mark not written" || return
    close_program || case_fail "did not end" || return
}

case_kind1_initialised() {
    product='1,TA' write_ini
    start_device --kind 1 --number 0312345678
    start_program
    until_ok 20 device_heard 'AT\$i10 = 1' || case_fail "no initialisation: $(cat "$work/device.log")" || return
    until_ok 20 device_heard 'at\$a' || case_fail "no kind-1 query" || return
    until_ok 15 title_is '0312345678' || case_fail "held number not shown" || return
    tell_device 'call 0298765432'
    until_ok 15 title_is '0298765432' || case_fail "kind-1 call not shown" || return
    until_ok 5 sh -c "iconv -f CP932 -t UTF-8 '$folder/着信履歴.TXT' | grep -q ',0298765432'" ||
        case_fail "kind-1 call not written" || return
    shot window
    close_program || case_fail "did not end" || return
}

case_second_start_refused() {
    write_ini
    start_device --kind 0 --number 0312345678
    start_program
    until_ok 20 title_is '0312345678' || case_fail "no window" || return
    local first=$program before
    before=$(md5sum <"$folder/Nubrel.ini")
    start_program
    ended_within 15 || case_fail "the second copy did not end" || return
    program=$first
    [ "$(windows_named '0312345678')" = 1 ] || case_fail "a second window appeared" || return
    [ "$before" = "$(md5sum <"$folder/Nubrel.ini")" ] || case_fail "the second start touched the settings" || return
    kill -0 "$first" || case_fail "the first copy ended" || return
    await_exchanges 1 || case_fail "the first copy stopped asking" || return
    shot window
    close_program || case_fail "did not end" || return
}

case_missing_port_asks_stop_or_exit() {
    write_ini # COM2's device is not there
    start_program
    until_ok 20 title_is '準備中' || case_fail "no window" || return
    until_ok 20 sh -c "[ \$(xdotool search --onlyvisible --name '^準備中\$' | wc -l) -ge 2 ]" ||
        case_fail "no Stop/Exit question" || return
    shot question
    # Wine opens a port mapped to a missing path; setting its line then fails
    # with error 1, as a device that is no serial port does on Windows.
    text_of Nubrel.log | grep -Eq "^$stamp Nubrel {4} \\[ｴﾗｰ番号\\[1\\][^]]+\\]\$" ||
        case_fail "log: $(text_of Nubrel.log)" || return
    # 停止 has the focus: Return stops monitoring and the program stays.
    # A click on 停止: its middle is 96 px left of the box's middle (the pair
    # sits 16 px left of it, 停止 80 px left of the pair's), whatever width the
    # text gave the box; 22 px above the bottom hits it both where icewm draws
    # it and where Wine thinks it is, 19 px lower.
    local main w
    main=$(xdotool search --onlyvisible --name '^準備中$' | head -n 1)
    for w in $(xdotool search --onlyvisible --name '^準備中$'); do
        [ "$w" = "$main" ] && continue
        eval "$(xdotool getwindowgeometry --shell "$w")"
        [ "$WIDTH" -gt 400 ] || continue
        xdotool mousemove $((X + WIDTH / 2 - 96)) $((Y + HEIGHT - 22)) click 1
    done
    until_ok 10 sh -c "[ \$(xdotool search --onlyvisible --name '^準備中\$' | wc -l) = 1 ]" ||
        case_fail "the question stayed" || return
    sleep 3 # three ticks would have tried the port again
    [ "$(text_of Nubrel.log | grep -c .)" = 1 ] || case_fail "monitoring did not stop: $(text_of Nubrel.log)" || return
    kill -0 "$program" || case_fail "the program ended" || return
    close_program || case_fail "did not end" || return
    settings_written || case_fail "settings not written" || return
}

# The screen's resolution as Wine reads it when its server starts.
set_log_pixels() {
    wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1
    wineserver -k >/dev/null 2>&1
    wineserver -w >/dev/null 2>&1
    wineserver -p >/dev/null 2>&1
    timeout -k 5 60 wine cmd /c exit >/dev/null 2>&1 || true
}
# WIDTH of the visible windows titled $1, narrowest first.
widths_named() {
    local w
    for w in $(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null); do
        eval "$(xdotool getwindowgeometry --shell "$w")"
        echo "$WIDTH"
    done | sort -n
}

# At 150 % (144 dots per inch) every window is 1.5 times its size at 100 %,
# as its twips say: the main window's client area 422 pixels wide (281 at
# 96), the question at least 7395 twips = 740 pixels, its four lines whole.
case_start_at_150_percent() {
    write_ini # no device: the question comes too
    set_log_pixels 144
    start_program
    local ok=1 widths
    until_ok 30 sh -c "[ \$(xdotool search --onlyvisible --name '^準備中\$' | wc -l) -ge 2 ]" || ok=0
    shot windows
    widths=($(widths_named '準備中'))
    wine taskkill /f /im Nubrel.exe >/dev/null 2>&1
    until_ok 10 sh -c "! kill -0 $program 2>/dev/null"
    set_log_pixels 96
    [ "$ok" = 1 ] || case_fail "no main window and question" || return
    [ "${widths[0]}" -ge 421 ] && [ "${widths[0]}" -le 423 ] ||
        case_fail "main window ${widths[0]} wide, not 422" || return
    [ "${widths[1]}" -ge 740 ] || case_fail "question ${widths[1]} wide, under 740" || return
}

case_tray_start_docked() {
    write_ini $'STATE=3\r\n'
    start_device --kind 0 --number 0312345678
    start_program
    await_exchanges 1 || case_fail "no exchange" || return
    until_ok 15 tray_icon || case_fail "no icon in icewm's tray" || return
    no_titled_window || case_fail "a window of the program is visible: $(titled_windows)" || return
    shot tray
    local x y
    read -r x y < <(tray_icon)
    xdotool mousemove "$x" "$y" click --repeat 2 --delay 120 1
    until_ok 10 title_is '0312345678' || case_fail "a double-click did not restore the window" || return
    shot restored
    close_program || case_fail "did not end" || return
}

# Nubrel as an NCID server and gateway under Wine: two Linux clients on
# 127.0.0.1 get the start-up with the history, then both the call from the
# device, which also goes to the server FORWARD names as one CALL line.
case_ncid_served_and_forwarded() {
    local port server n lines
    port=$("$here/ncid_peer.py" port)
    server=$("$here/ncid_peer.py" port)
    write_ini
    printf '[NCID]\r\nLISTEN=%s\r\nFORWARD=127.0.0.1:%s\r\n' "$port" "$server" >>"$folder/Nubrel.ini"
    printf '2026/12/01,09:30:00,0399998888\r\n' >"$folder/着信履歴.TXT"
    "$here/ncid_peer.py" server "$server" "$work/serve" "$work/forwarded" &
    pids+=($!)
    start_device --kind 0 --number 0312345678
    start_program
    until_ok 20 title_is '0312345678' || case_fail "held number not shown" || return
    for n in 1 2; do
        "$here/ncid_peer.py" client "$port" "$work/client$n" &
        pids+=($!)
    done
    for n in 1 2; do
        until_ok 10 grep -q '^300 End of connection startup' "$work/client$n" ||
            case_fail "client $n: no start-up: $(cat "$work/client$n" 2>/dev/null)" || return
    done
    tell_device 'call 0451112222'
    until_ok 15 title_is '0451112222' || case_fail "new call not shown" || return
    for n in 1 2; do
        until_ok 10 grep -q '^CID: ' "$work/client$n" || case_fail "client $n: no call served" || return
        lines=$(tr -d '\r' <"$work/client$n")
        printf '%s\n' "$lines" | tr '\n' '|' |
            grep -Eq '^200 Server: Nubrel [0-9.]+\|210 API: 1.0 Feature Set 1\|CIDLOG: \*DATE\*12012026\*TIME\*0930\*LINE\*-\*NMBR\*0399998888\*MESG\*NONE\*NAME\*NO NAME\*\|250 End of call log\|300 End of connection startup\|CID: \*DATE\*[0-9]{8}\*TIME\*[0-9]{4}\*LINE\*-\*NMBR\*0451112222\*MESG\*NONE\*NAME\*NO NAME\*\|$' ||
            case_fail "client $n served: $lines" || return
    done
    # The held number was no call: the server got the one call, whole.
    until_ok 10 grep -q 'CALL: ' "$work/forwarded" || case_fail "nothing forwarded" || return
    grep -Eqx 'CALL: ###DATE[0-9]{8}\.\.\.CALLIN\.\.\.LINE-\.\.\.NMBR0451112222\.\.\.NAMENO NAME\+\+\+'$'\r' "$work/forwarded" &&
        [ "$(grep -c . "$work/forwarded")" = 1 ] && [ "$(tail -c 2 "$work/forwarded" | od -An -tx1 | tr -d ' ')" = 0d0a ] ||
        case_fail "forwarded: $(cat -A "$work/forwarded")" || return
    shot window
    close_program || case_fail "did not end" || return
}

# The settings file the zip ships: comments true on Windows (no [PORTS], no
# Linux device), the settings and product list every platform shares byte for
# byte, and the program runs on it as it comes.
case_shipped_settings_are_windows_own() {
    local body=$root/resources/settings/products.ini
    grep -aq 'PORTS\|/dev/' "$folder/Nubrel.ini" && { case_fail "Linux comments: $(text_of Nubrel.ini)" || return; }
    [ "$(head -c 1 "$folder/Nubrel.ini")" = ';' ] || case_fail "no comment header" || return
    tail -c "$(stat -c %s "$body")" "$folder/Nubrel.ini" | cmp -s - "$body" ||
        case_fail "the shared body differs" || return
    start_device --kind 0 --number 0312345678
    start_program
    until_ok 30 title_is '0312345678' || case_fail "held number not shown" || return
    shot window
    close_program || case_fail "did not end" || return
    settings_written || case_fail "settings not written: $(text_of Nubrel.ini)" || return
    text_of Nubrel.ini | grep -q '^PRODUCTSLIST5=1,' || case_fail "product list lost" || return
}

# A program folder whose name code page 932 cannot spell: the settings are
# read and written there all the same, beside the history.
case_settings_in_a_folder_the_code_page_cannot_spell() {
    mv "$folder" "$work/설정📞"
    folder=$work/설정📞
    write_ini
    start_device --kind 0 --number 0312345678
    start_program
    until_ok 20 title_is '0312345678' || case_fail "held number not shown" || return
    tell_device 'call 0451112222'
    until_ok 15 title_is '0451112222' || case_fail "new call not shown" || return
    until_ok 5 sh -c "iconv -f CP932 -t UTF-8 '$folder/着信履歴.TXT' | grep -q ',0451112222'" ||
        case_fail "call not written" || return
    shot window
    close_program || case_fail "did not end" || return
    settings_written || case_fail "settings not written: $(text_of Nubrel.ini)" || return
    text_of Nubrel.ini | grep -qx 'TIMER=1' || case_fail "the settings file was replaced" || return
}

# No settings file at all: the shut-down writes the window and the font, in
# their order and form, CR LF, code page 932; nothing else.
case_settings_written_whole() {
    rm -f "$folder/Nubrel.ini"
    start_device --kind 0 --number 0312345678 # port 2 by default
    start_program
    until_ok 20 title_is '準備中' || until_ok 15 title_is '0312345678' || case_fail "no window" || return
    close_program || case_fail "did not end" || return
    local face expected
    face=$(text_of Nubrel.ini | sed -n 's/^FONT=//p')
    [ -n "$face" ] || case_fail "no font face: $(text_of Nubrel.ini)" || return
    # Where icewm placed the window is its own choice: the rest is fixed by
    # the window's design, 281 x 69 client pixels with frame and menu bar.
    expected=$(printf '[NUBREL]\r\nTOP=%s\r\nLEFT=%s\r\nHEIGHT=1725\r\nWIDTH=4335\r\nSTATE=0\r\nFONT=%s\r\nFONTSIZE=18\r\nFONTBOLD=False\r\nFONTITALIC=False\r\n' \
        "$(text_of Nubrel.ini | sed -n 's/^TOP=\([0-9]\{1,5\}\)$/\1/p')" \
        "$(text_of Nubrel.ini | sed -n 's/^LEFT=\([0-9]\{1,5\}\)$/\1/p')" "$face" | iconv -f UTF-8 -t CP932 | od -An -tx1)
    [ "$(od -An -tx1 <"$folder/Nubrel.ini")" = "$expected" ] ||
        case_fail "settings file: $(od -c "$folder/Nubrel.ini")" || return
}

# Killed (taskkill /f): the settings file stays as it was, and the next start
# runs as any other.
case_start_after_kill() {
    write_ini
    start_device --kind 0 --number 0312345678
    start_program
    until_ok 20 title_is '0312345678' || case_fail "no window" || return
    local before
    before=$(md5sum <"$folder/Nubrel.ini")
    wine taskkill /f /im Nubrel.exe >/dev/null 2>&1
    ended_within 10
    kill -0 "$program" 2>/dev/null && { case_fail "taskkill /f did not end it" || return; }
    [ "$before" = "$(md5sum <"$folder/Nubrel.ini")" ] || case_fail "a killed program changed the settings" || return
    start_program
    until_ok 20 title_is '0312345678' || case_fail "the start after the kill was refused" || return
    close_program || case_fail "did not end" || return
    settings_written || case_fail "settings not written" || return
}

# A device that never answers: three unanswered exchanges, then one log line
# and the message titled VORDEK; OK ends the program with its settings.
case_silent_device_ends_program() {
    write_ini
    start_device --kind 0
    tell_device 'silent on'
    start_program
    until_ok 15 title_is '準備中' || case_fail "no window" || return
    main_window=$(xdotool search --onlyvisible --name '^準備中$' | head -n 1)
    until_ok 40 other_window VORDEK || case_fail "no message titled VORDEK" || return
    shot message
    [ "$(exchanges)" = 3 ] || case_fail "$(exchanges) exchanges before the message" || return
    [ "$(log_count)" = 1 ] || case_fail "log: $(log_lines)" || return
    log_lines | grep -Eq "^$stamp Nubrel {4} \\[iTry=\\[3\\]lcnt=\\[10001\\]F=\\[\\]\\]\$" ||
        case_fail "log line: $(log_lines)" || return
    crlf_lines Nubrel.log || case_fail "log not in CR LF lines: $(od -c "$folder/Nubrel.log")" || return
    settings_written && { case_fail "settings written before the message was closed" || return; }
    local box
    box=$(other_window VORDEK)
    # Return on OK, which has the focus.
    xdotool windowfocus "$box" key Return
    ended_within 10 || case_fail "the program did not end after the message" || return
    settings_written || case_fail "settings not written" || return
    [ "$(log_count)" = 1 ] || case_fail "log grew: $(log_lines)" || return
}

# A kind-1 product is initialised at start-up and the port cannot be used:
# 終了 in the question ends the program with its settings written.
case_exit_chosen_at_startup() {
    product='1,TA' write_ini
    start_program
    until_ok 20 question_window '準備中' || case_fail "no Stop/Exit question at start-up" || return
    shot question
    # 終了: 2400 twips (160 px) right of 停止, 96 px left of the middle.
    click_in "$(question_window '準備中')" 64
    ended_within 15 || case_fail "終了 at start-up left the program running" || return
    settings_written || case_fail "settings not written" || return
    [ "$(log_count)" = 1 ] || case_fail "log: $(log_lines)" || return
}

# WM_CLOSE (taskkill) ends the program wherever it waits, its settings
# written: in the start-up question, in an exchange, in the third
# unanswered exchange (no message then, no log line).
case_close_while_waiting() {
    product='1,TA' write_ini
    start_program
    until_ok 20 question_window '準備中' || case_fail "no Stop/Exit question at start-up" || return
    close_program || case_fail "did not end with the question open" || return
    settings_written || case_fail "settings not written (question)" || return

    new_case close_while_waiting_exchange
    write_ini
    start_device --kind 0
    tell_device 'silent on'
    start_program
    until_ok 15 device_heard 'AT' || case_fail "no exchange started" || return
    close_program || case_fail "did not end during an exchange" || return
    settings_written || case_fail "settings not written (exchange)" || return
    [ "$(log_count)" = 0 ] || case_fail "log: $(log_lines)" || return
    stop_device

    new_case close_while_waiting_third
    write_ini
    start_device --kind 0
    tell_device 'silent on'
    start_program
    until_ok 30 sh -c "[ \$(grep -c '^recv ' '$work/device.log') -ge 3 ]" || case_fail "no third exchange" || return
    other_window VORDEK && { case_fail "a message before the third exchange ended" || return; }
    close_program || case_fail "did not end during the third exchange" || return
    settings_written || case_fail "settings not written (third exchange)" || return
    [ "$(log_count)" = 0 ] || case_fail "log: $(log_lines)" || return
}

# Junk answers count as unanswered and are not reported; an answer behind
# 70,000 bytes of junk still gives its number. The history holds each call
# once, as written: CP932, CR LF, date, time and number.
case_junk_and_flood() {
    write_ini
    start_device --kind 0 --number 0312345678
    start_program
    until_ok 20 title_is '0312345678' || case_fail "held number not shown" || return
    tell_device 'garbage 2' 'call 0451112222'
    until_ok 30 title_is '0451112222' || case_fail "no call after the junk" || return
    tell_device 'flood 70000' 'call 0669998888'
    until_ok 30 title_is '0669998888' || case_fail "no call behind the flood" || return
    shot window
    close_program || case_fail "did not end" || return
    [ "$(log_count)" = 0 ] || case_fail "log: $(log_lines)" || return
    text_of 着信履歴.TXT | grep -Evq '^[0-9]{4}/[0-9]{2}/[0-9]{2},[0-9]{2}:[0-9]{2}:[0-9]{2},[0-9]+$' &&
        { case_fail "history layout: $(text_of 着信履歴.TXT)" || return; }
    [ "$(text_of 着信履歴.TXT | cut -d, -f3 | tr '\n' ' ')" = '0451112222 0669998888 ' ] ||
        case_fail "history: $(text_of 着信履歴.TXT)" || return
    crlf_lines 着信履歴.TXT || case_fail "history not in CR LF lines: $(od -c "$folder/着信履歴.TXT")" || return
}

# The device goes away in the middle of an exchange: that exchange ends
# unanswered, the next open fails and asks, under the current number.
case_device_vanishes() {
    write_ini
    start_device --kind 0 --number 0312345678
    start_program
    until_ok 20 title_is '0312345678' || case_fail "held number not shown" || return
    main_window=$(xdotool search --onlyvisible --name '^0312345678$' | head -n 1)
    tell_device 'silent on'
    until_ok 10 grep -q '^none' "$work/device.log" || case_fail "no silent exchange" || return
    tell_device vanish
    until_ok 30 question_window '0312345678' || case_fail "no Stop/Exit question" || return
    shot question
    [ "$(log_count)" = 1 ] || case_fail "log: $(log_lines)" || return
    # The path is gone: as a missing one, error 1.
    log_lines | grep -Eq "^$stamp Nubrel {4} \\[ｴﾗｰ番号\\[1\\][^]]+\\]\$" || case_fail "log: $(log_lines)" || return
    kill -0 "$program" || case_fail "the program ended" || return
    close_program || case_fail "did not end with the question open" || return
    settings_written || case_fail "settings not written" || return
}

# WM_CLOSE while the settings dialog is open: the program ends, its settings
# written. The dialog opens from 設定(&K) on the menu bar, the third item,
# clicked where Wine has it: 10 px into the bar, 133 px from the window's left.
case_close_with_settings_dialog_open() {
    write_ini
    start_device --kind 0 --number 0312345678
    start_program
    until_ok 20 title_is '0312345678' || case_fail "held number not shown" || return
    main_window=$(xdotool search --onlyvisible --name '^0312345678$' | head -n 1)
    eval "$(xdotool getwindowgeometry --shell "$main_window")"
    xdotool mousemove $((X + 133)) $((Y + 10)) click 1
    until_ok 10 other_window '環境設定' || case_fail "the settings dialog did not open" || return
    shot dialog
    close_program || case_fail "did not end with the settings dialog open" || return
    settings_written || case_fail "settings not written" || return
}

# The window comes back where and as it was left: position and size in
# twips (15 per pixel; Wine's frame is 4 px a side, its caption 23 px, inside
# icewm's), minimised, maximised; each written back as it was read.
case_window_restored() {
    write_ini $'TOP=1500\r\nLEFT=3000\r\nHEIGHT=1800\r\nWIDTH=4500\r\nSTATE=0\r\n'
    start_device --kind 0 --number 0312345678
    start_program
    until_ok 20 title_is '0312345678' || case_fail "no window" || return
    main_window=$(xdotool search --onlyvisible --name '^0312345678$' | head -n 1)
    eval "$(xdotool getwindowgeometry --shell "$main_window")"
    [ "$X,$Y,$WIDTH,$HEIGHT" = 204,123,292,93 ] || case_fail "window at $X,$Y size ${WIDTH}x$HEIGHT" || return
    close_program || case_fail "did not end" || return
    [ "$(text_of Nubrel.ini | grep -E '^(TOP|LEFT|HEIGHT|WIDTH|STATE)=' | tr '\n' ' ')" = \
        'TOP=1500 LEFT=3000 HEIGHT=1800 WIDTH=4500 STATE=0 ' ] || case_fail "written: $(text_of Nubrel.ini)" || return
    local state
    for state in 1 2; do
        sed -i "s/^STATE=.*/STATE=$state\r/" "$folder/Nubrel.ini"
        start_program
        until_ok 20 sh -c "xdotool search --name '^0312345678\$' | grep -q ." || case_fail "no window (STATE=$state)" || return
        main_window=$(xdotool search --name '^0312345678$' | head -n 1)
        if [ "$state" = 1 ]; then
            until_ok 10 sh -c "xprop -id $main_window WM_STATE | grep -q Iconic" || case_fail "not minimised" || return
        else
            until_ok 10 sh -c "xprop -id $main_window _NET_WM_STATE | grep -q MAXIMIZED_HORZ" || case_fail "not maximised" || return
        fi
        close_program || case_fail "did not end (STATE=$state)" || return
        text_of Nubrel.ini | grep -qx "STATE=$state" || case_fail "STATE=$state not kept: $(text_of Nubrel.ini)" || return
    done
}

# The icon's menu (right button): ｷｬﾝｾﾙ, タスクバーから出す, 停止 or 開始, 終了,
# its items counted from its bottom edge (Wine places menus itself, so its
# positions are the drawn ones), clicked right of the tooltip that covers
# the menu's left end. 停止 changes the icon and stops the exchanges, 開始
# brings both back, 終了 ends the program with STATE 3 written.
tray_menu_window() {
    local w
    for w in $(xdotool search --onlyvisible --class '^nubrel\.exe$' 2>/dev/null); do
        [ -z "$(xdotool getwindowname "$w")" ] || continue
        eval "$(xdotool getwindowgeometry --shell "$w")"
        [ "$HEIGHT" -ge 80 ] && { echo "$w"; return 0; }
    done
    return 1
}
tray_choose() { # PIXELS_ABOVE_THE_MENUS_BOTTOM
    local x y w
    read -r x y < <(tray_icon)
    xdotool mousemove "$x" "$y" click 3
    until_ok 10 tray_menu_window || return 1
    w=$(tray_menu_window)
    eval "$(xdotool getwindowgeometry --shell "$w")"
    xdotool mousemove $((X + WIDTH - 40)) $((Y + HEIGHT - $1)) click 1
    until_ok 5 sh -c "! xdotool search --onlyvisible --class '^nubrel\\.exe\$' | grep -qx $w"
}
icon_picture() {
    local x y
    read -r x y < <(tray_icon)
    import -window root -crop 16x16+$((x - 8))+$((y - 8)) rgb:- 2>/dev/null | md5sum
}
icon_changed_from() { [ "$(icon_picture)" != "$1" ]; }
more_exchanges_than() { [ "$(exchanges)" -gt "$1" ]; }
case_tray_menu_stop_start_exit() {
    write_ini $'STATE=3\r\n'
    start_device --kind 0 --number 0312345678
    start_program
    await_exchanges 1 || case_fail "no exchange" || return
    until_ok 15 tray_icon || case_fail "no icon in icewm's tray" || return
    local running stopped heard
    running=$(icon_picture)
    tray_choose 36 || case_fail "no menu on the icon (停止)" || return
    until_ok 5 icon_changed_from "$running" || case_fail "停止 left the icon as it was" || return
    stopped=$(icon_picture)
    shot stopped
    heard=$(exchanges)
    until_ok 4 more_exchanges_than "$heard" && { case_fail "停止 did not stop the exchanges" || return; }
    tray_choose 36 || case_fail "no menu on the icon (開始)" || return
    until_ok 5 icon_changed_from "$stopped" || case_fail "開始 left the icon as it was" || return
    await_exchanges 1 || case_fail "開始 did not start the exchanges again" || return
    tray_choose 12 || case_fail "no menu on the icon (終了)" || return
    ended_within 10 || case_fail "終了 did not end the program" || return
    text_of Nubrel.ini | grep -qx 'STATE=3' || case_fail "STATE 3 not written: $(text_of Nubrel.ini)" || return
}

# The session ends (wineboot -e: WM_QUERYENDSESSION, then WM_ENDSESSION to
# every window): the program ends cleanly with its settings written.
case_log_off() {
    write_ini
    start_device --kind 0 --number 0312345678
    start_program
    until_ok 20 title_is '0312345678' || case_fail "held number not shown" || return
    timeout -k 5 30 wine wineboot -e >/dev/null 2>&1 || case_fail "wineboot -e failed" || return
    ended_within 10 || case_fail "the program outlived its session" || return
    # The session's desktop process went with it: Wine warm again for what follows.
    timeout -k 5 60 wine cmd /c exit >/dev/null 2>&1
    text_of Nubrel.ini | grep -qx 'STATE=0' || case_fail "settings: $(text_of Nubrel.ini)" || return
}

# A number in 電話帳.csv: its name drawn under the number, in the number's
# colour (blue for a new call); none for a number without a name or withheld.
name_pixels() { # the lower part of the main window's canvas, where a name goes
    import -window "$main_window" "$work/window.png" 2>/dev/null &&
        convert "$work/window.png" -gravity South -crop 0x40+0+0 +repage txt:- | grep -ci '#0000FF'
}
case_phonebook_name_drawn() {
    printf '# 電話帳\r\n0451112222,山田 太郎\r\n' | iconv -f UTF-8 -t CP932 >"$folder/電話帳.csv"
    write_ini
    start_device --kind 0 --number 0312345678
    start_program
    until_ok 20 title_is '0312345678' || case_fail "held number not shown" || return
    main_window=$(xdotool search --onlyvisible --name '^0312345678$' | head -n 1)
    [ "$(name_pixels)" = 0 ] || case_fail "a second line without a name" || return
    tell_device 'call 0451112222'
    until_ok 15 title_is '0451112222' || case_fail "call not shown" || return
    until_ok 5 sh -c "[ \$(import -window $main_window png:- 2>/dev/null | convert - -gravity South -crop 0x40+0+0 +repage txt:- | grep -ci '#0000FF') -gt 50 ]" ||
        case_fail "no name drawn under the number ($(name_pixels) pixels)" || return
    shot window
    tell_device withheld
    until_ok 15 title_is '非通知' || case_fail "withheld call not shown" || return
    until_ok 5 sh -c "[ \$(import -window $main_window png:- 2>/dev/null | convert - -gravity South -crop 0x40+0+0 +repage txt:- | grep -ci '#0000FF') = 0 ]" ||
        case_fail "a name left under a withheld call" || return
    close_program || case_fail "did not end" || return
    [ "$(text_of 着信履歴.TXT | cut -d, -f3 | tr '\n' ' ')" = '0451112222 99999999999 ' ] ||
        case_fail "history: $(text_of 着信履歴.TXT)" || return
}

# Nubrel as a client of an NCID server on 127.0.0.1: the device is never
# asked, the server's history is no call, its call is shown and written.
case_ncid_source_call_shown() {
    local port
    port=$("$here/ncid_peer.py" port)
    write_ini
    printf '[NCID]\r\nSOURCE=127.0.0.1:%s\r\n' "$port" >>"$folder/Nubrel.ini"
    start_device --kind 0
    tell_device 'silent on'
    "$here/ncid_peer.py" server "$port" "$work/serve" &
    pids+=($!)
    start_program
    until_ok 20 title_is '準備中' || case_fail "no window" || return
    printf 'CID: *DATE*12082026*TIME*1200*LINE*-*NMBR*+81-45-111-2222*MESG*NONE*NAME*YAMADA*\r\n' >"$work/serve.tmp"
    mv "$work/serve.tmp" "$work/serve"
    until_ok 15 title_is '0451112222' || case_fail "the server's call not shown" || return
    until_ok 5 sh -c "iconv -f CP932 -t UTF-8 '$folder/着信履歴.TXT' | grep -Eq '^[0-9/]{10},[0-9:]{8},0451112222'" ||
        case_fail "not written: $(text_of 着信履歴.TXT)" || return
    crlf_lines 着信履歴.TXT || case_fail "history not in CR LF lines" || return
    [ "$(text_of 着信履歴.TXT | wc -l)" = 1 ] || case_fail "the server's history was taken for a call: $(text_of 着信履歴.TXT)" || return
    shot window
    device_heard '' && { case_fail "the device was asked: $(cat "$work/device.log")" || return; }
    close_program || case_fail "did not end" || return
}

# The pop-up: the program's visible window without a title, light red, near
# the bottom right of the screen, small enough for eleven digits.
popup_window() {
    local w
    for w in $(xdotool search --onlyvisible --class '^nubrel\.exe$' 2>/dev/null); do
        [ -z "$(xdotool getwindowname "$w")" ] || continue
        eval "$(xdotool getwindowgeometry --shell "$w")"
        [ "$HEIGHT" -lt 40 ] && [ "$X" -ge 800 ] && [ "$Y" -ge 600 ] && { echo "$w"; return 0; }
    done
    return 1
}
# What the pop-up shows, into $work/popup: its client size, its background
# colour and the width of the ink on it (the drawn number).
popup_seen() {
    local w
    w=$(popup_window) || return 1
    import -window "$w" "$work/popup.png" 2>/dev/null || return 1
    convert "$work/popup.png" -shave 1x1 \
        -format '%wx%h %[pixel:p{0,0}] ' -write info:"$work/popup.1" \
        -fuzz 25% -trim -format '%w' info:"$work/popup.2" 2>/dev/null || return 1
    cat "$work/popup.1" "$work/popup.2" >"$work/popup"
    grep -q 'srgb(255,192,192) [0-9]' "$work/popup"
}
popup_gone() { ! popup_window; }
ink_width() { cut -d' ' -f3 "$work/popup"; }

# In the tray, each new number pops up for one tick: the held number at the
# start, then a call with one digit more, whose ink is one digit wider.
case_popup_while_in_tray() {
    write_ini $'STATE=3\r\n'
    sed -i 's/^TIMER=1\r$/TIMER=2\r/' "$folder/Nubrel.ini"
    start_device --kind 0 --number 0312345678
    start_program
    until_ok 20 popup_seen || case_fail "no pop-up for the held number" || return
    local held called
    held=$(ink_width)
    grep -q '^80x14 ' "$work/popup" || case_fail "pop-up: $(cat "$work/popup")" || return
    until_ok 6 popup_gone || case_fail "the pop-up stayed after the next tick" || return
    no_titled_window || case_fail "a window of the program is visible: $(titled_windows)" || return
    tell_device 'call 09012345678'
    until_ok 15 popup_seen || case_fail "no pop-up for a new call" || return
    shot popup
    called=$(ink_width)
    [ "$held" -ge 40 ] && [ $((called - held)) -ge 3 ] && [ $((called - held)) -le 9 ] ||
        case_fail "ink ${held} px for ten digits, ${called} px for eleven" || return
    until_ok 6 popup_gone || case_fail "the pop-up stayed" || return
    no_titled_window || case_fail "a window of the program is visible: $(titled_windows)" || return
    close_program || case_fail "did not end" || return
}

# In the tray from the start on a silent kind-1 device: 終了 from the icon's
# menu while the initialisation command waits for its answer.
case_tray_exit_during_startup_exchange() {
    product='1,TA' write_ini $'STATE=3\r\n'
    start_device --kind 1
    tell_device 'silent on'
    start_program
    until_ok 15 device_heard 'AT' || case_fail "no initialisation command" || return
    until_ok 15 tray_icon || case_fail "no icon in icewm's tray" || return
    tray_choose 12 || case_fail "no menu on the icon" || return
    ended_within 10 || case_fail "終了 during the start-up exchange left the program running" || return
    text_of Nubrel.ini | grep -qx 'STATE=3' || case_fail "STATE 3 not written: $(text_of Nubrel.ini)" || return
}

# Autostart at login: the program comes before the tray host. It waits
# hidden, docks when icewm's tray comes, and docks again when it restarts.
case_late_tray() {
    stop_tray_host
    tray_ready && { case_fail "the tray host did not go" || return; }
    write_ini $'STATE=3\r\nTOP=1500\r\n'
    start_device --kind 0 --number 0312345678
    start_program
    await_exchanges 2 || case_fail "no exchanges" || return
    no_titled_window || case_fail "a window showed while waiting for a tray: $(titled_windows)" || return
    start_tray_host || case_fail "no tray host" || return
    until_ok 15 tray_icon || case_fail "no icon once the tray came" || return
    no_titled_window || case_fail "a window showed when the tray came: $(titled_windows)" || return
    shot tray
    stop_tray_host
    start_tray_host || case_fail "the tray host did not come back" || return
    until_ok 15 tray_icon || case_fail "no icon after the tray host restarted" || return
    local x y
    read -r x y < <(tray_icon)
    xdotool mousemove "$x" "$y" click --repeat 2 --delay 120 1
    until_ok 10 title_is '0312345678' || case_fail "the icon docked again does not restore the window" || return
    keys_to "$(xdotool search --onlyvisible --name '^0312345678$' | head -n 1)" alt+e t
    until_ok 10 no_titled_window || case_fail "タスクバーに入れる did not hide the window" || return
    close_program || case_fail "did not end" || return
    text_of Nubrel.ini | grep -qx 'STATE=3' || case_fail "STATE 3 not written: $(text_of Nubrel.ini)" || return
    text_of Nubrel.ini | grep -qx 'TOP=1500' || case_fail "position keys changed: $(text_of Nubrel.ini)" || return
}

# No position keys: the window in its designed client size (281 x 69 and
# the menu bar), wholly on the screen where Wine puts a new window (its
# default place: Wine marks every window's place as the program's), and
# that place and size written at the exit in twips (Wine's frame 4 px a
# side, its caption 23 px).
case_first_window() {
    write_ini
    start_device --kind 0 --number 0312345678
    start_program
    until_ok 20 title_is '0312345678' || case_fail "no window" || return
    main_window=$(xdotool search --onlyvisible --name '^0312345678$' | head -n 1)
    eval "$(xdotool getwindowgeometry --shell "$main_window")"
    [ "$WIDTH" = 281 ] && [ "$HEIGHT" -ge 80 ] && [ "$HEIGHT" -le 110 ] ||
        case_fail "client ${WIDTH}x$HEIGHT, designed 281 x 69 and the menu bar" || return
    [ "$X" -ge 4 ] && [ "$Y" -ge 23 ] && [ $((X + WIDTH)) -le 1024 ] && [ $((Y + HEIGHT)) -le 768 ] ||
        case_fail "placed off the screen at $X,$Y" || return
    shot window
    close_program || case_fail "did not end" || return
    [ "$(text_of Nubrel.ini | grep -E '^(TOP|LEFT|HEIGHT|WIDTH)=' | tr '\n' ' ')" = \
        "TOP=$(((Y - 23) * 15)) LEFT=$(((X - 4) * 15)) HEIGHT=$(((HEIGHT + 27) * 15)) WIDTH=$(((WIDTH + 8) * 15)) " ] ||
        case_fail "window at $X,$Y written as $(text_of Nubrel.ini)" || return
}

# The close box of icewm's frame ends the program as 終了 does, no question
# asked, every key of the shut-down written.
case_close_box() {
    write_ini
    start_device --kind 0 --number 0312345678
    start_program
    until_ok 20 title_is '0312345678' || case_fail "no window" || return
    main_window=$(xdotool search --onlyvisible --name '^0312345678$' | head -n 1)
    local left right top bottom
    read -r left right top bottom < <(xprop -id "$main_window" _NET_FRAME_EXTENTS | tr -d ',' | awk '{print $3, $4, $5, $6}')
    eval "$(xdotool getwindowgeometry --shell "$main_window")"
    # The rightmost button of the title bar.
    xdotool mousemove $((X + WIDTH + right - 12)) $((Y - top / 2 - 2)) click 1
    ended_within 10 || case_fail "the close box did not end the program" || return
    [ "$(text_of Nubrel.ini | sed -n '/^\[NUBREL\]/,/^\[/p' | grep = | cut -d= -f1 | tr '\n' ' ')" = \
        'PRODUCTSIDX PRODUCTSLISTCNT PRODUCTSLIST0 TOP LEFT HEIGHT WIDTH STATE FONT FONTSIZE FONTBOLD FONTITALIC ' ] ||
        case_fail "keys: $(text_of Nubrel.ini)" || return
}

# A menu of the menu bar opened by a click where Wine has it (10 px into the
# bar, DX px from the window's left), then its item DY px below the window's
# top clicked: Wine draws its menus itself, at places of its own.
open_menu() { # DX
    eval "$(xdotool getwindowgeometry --shell "$main_window")"
    xdotool mousemove $((X + $1)) $((Y + 10)) click 1
}
menu_window() { # an untitled window of the program as high as a menu
    local w
    for w in $(xdotool search --onlyvisible --class '^nubrel\.exe$' 2>/dev/null); do
        [ -z "$(xdotool getwindowname "$w")" ] || continue
        eval "$(xdotool getwindowgeometry --shell "$w")"
        [ "$HEIGHT" -ge 40 ] && return 0
    done
    return 1
}
menu_command() { # DX DY
    open_menu "$1"
    until_ok 5 menu_window || return 1
    eval "$(xdotool getwindowgeometry --shell "$main_window")"
    xdotool mousemove $((X + $1 + 20)) $((Y + $2)) click 1
}
# Keys to a window of the program: Wine takes them once the focus came to
# it in the same run of xdotool.
keys_to() { # WINDOW KEYS...
    local w=$1
    shift
    xdotool windowfocus "$w" key --delay 150 "$@"
}
# The height of the ink of the number on the main window's canvas.
canvas_ink_height() {
    import -window "$main_window" png:- 2>/dev/null |
        convert - -gravity South -crop 0x69+0+0 +repage -fuzz 25% -trim -format '%h' info:
}

# A size chosen in the font dialog is written at the exit and is the
# window's font at the next start.
case_font_choice_kept() {
    write_ini
    start_device --kind 0 --number 0312345678
    start_program
    until_ok 20 title_is '0312345678' || case_fail "held number not shown" || return
    main_window=$(xdotool search --onlyvisible --name '^0312345678$' | head -n 1)
    local before dialog after
    before=$(canvas_ink_height)
    # 表示(&D), then ﾌｫﾝﾄ(&F), its third line.
    menu_command 75 56
    until_ok 10 other_window 'フォントの指定' || case_fail "the font dialog did not open" || return
    dialog=$(other_window 'フォントの指定')
    # The size's field, 28 points typed, then OK (Return).
    keys_to "$dialog" alt+s ctrl+a 2 8 Return
    until_ok 10 sh -c "! xdotool search --onlyvisible --name '^フォントの指定\$' | grep -qx $dialog" ||
        case_fail "the font dialog stayed" || return
    close_program || case_fail "did not end" || return
    text_of Nubrel.ini | grep -qx 'FONTSIZE=28' || case_fail "size not written: $(text_of Nubrel.ini)" || return
    start_program
    until_ok 20 title_is '0312345678' || case_fail "no window at the next start" || return
    main_window=$(xdotool search --onlyvisible --name '^0312345678$' | head -n 1)
    until_ok 5 sh -c "[ \$(import -window $main_window png:- 2>/dev/null | convert - -gravity South -crop 0x69+0+0 +repage -fuzz 25% -trim -format '%h' info:) -gt $((before * 5 / 4)) ]" ||
        case_fail "the next start's number $(canvas_ink_height) px high, $before px at 18 points" || return
    shot window
    close_program || case_fail "did not end (next start)" || return
    text_of Nubrel.ini | grep -qx 'FONTSIZE=28' || case_fail "size not kept: $(text_of Nubrel.ini)" || return
}

# 環境設定 by the keyboard: COM3, 19200, the second product (kind 1), no
# history; registered in the file and applied at once: the device on COM3
# gets the initialisation and the kind-1 queries at 19200, the calls are
# shown and not written.
case_settings_registered_and_applied() {
    product=$'0,modem\r\nPRODUCTSLIST1=1,TA' write_ini
    sed -i 's/^PRODUCTSLISTCNT=1\r$/PRODUCTSLISTCNT=2\r/' "$folder/Nubrel.ini"
    start_device --kind 0 --number 0312345678
    start_program
    until_ok 20 title_is '0312345678' || case_fail "held number not shown" || return
    main_window=$(xdotool search --onlyvisible --name '^0312345678$' | head -n 1)
    # The kind-1 device on COM3, as the new settings say.
    local com2_device=$device com2_work=$work com3_device com3_work=$run/$case_name-com3 dialog kv
    mkdir -p "$com3_work"
    work=$com3_work modem=$modem3 start_device --kind 1 --number 0298765432
    com3_device=$device
    device=$com2_device
    open_menu 133
    until_ok 10 other_window '環境設定' || case_fail "the settings dialog did not open" || return
    dialog=$(other_window '環境設定')
    # The port group has the focus on COM2: Down to COM3; Tab, the speed
    # list at 9600: Down twice to 19200; Tab, the product list: Down to the
    # second; Tab, the history group: Down to 作成しない; Tab to 登録.
    keys_to "$dialog" Down Tab Down Down Tab Down Tab Down Tab
    shot dialog
    keys_to "$dialog" space
    until_ok 10 sh -c "! xdotool search --onlyvisible --name '^環境設定\$' | grep -qx $dialog" ||
        case_fail "the dialog stayed after 登録" || return
    for kv in COMPORT=3 COMSPEED=19200 HISTTXT=1 PRODUCTSIDX=1; do
        text_of Nubrel.ini | grep -qx "$kv" || case_fail "$kv not registered: $(text_of Nubrel.ini)" || return
    done
    work=$com3_work until_ok 15 device_heard 'AT\$i10 = 1' ||
        case_fail "no initialisation on COM3: $(cat "$com3_work/device.log")" || return
    work=$com3_work until_ok 15 device_heard 'at\$a' || case_fail "no kind-1 query on COM3" || return
    work=$com3_work tell_device status
    until_ok 10 grep -q '^ok status .* speed 19200 ' "$com3_work/modemsim.out" ||
        case_fail "COM3's line: $(cat "$com3_work/modemsim.out")" || return
    work=$com3_work tell_device 'call 0451112222'
    until_ok 15 title_is '0451112222' || case_fail "the call on COM3 not shown" || return
    [ -z "$(text_of 着信履歴.TXT)" ] || case_fail "written with the history off: $(text_of 着信履歴.TXT)" || return
    close_program || case_fail "did not end" || return
    kill "$com3_device"
    wait "$com3_device" 2>/dev/null
}

# Kind 1 numbers its calls: the same number under a new index is a new
# call; the same index and number is the call already written.
history_count() { text_of 着信履歴.TXT | grep -c ",$1\$"; }
history_count_is() { [ "$(history_count "$1")" = "$2" ]; }
case_kind1_same_number_new_index() {
    product='1,TA' write_ini
    start_device --kind 1 --number 0312345678
    start_program
    until_ok 20 title_is '0312345678' || case_fail "held number not shown" || return
    await_exchanges 2 || case_fail "no more exchanges" || return
    local held
    held=$(history_count 0312345678)
    tell_device 'call 0312345678'
    until_ok 15 history_count_is 0312345678 $((held + 1)) ||
        case_fail "the call under a new index was not written: $(text_of 着信履歴.TXT)" || return
    title_is '0312345678' || case_fail "the call under a new index is not shown" || return
    await_exchanges 2 || case_fail "no more exchanges" || return
    history_count_is 0312345678 $((held + 1)) || case_fail "the same index was written again: $(text_of 着信履歴.TXT)" || return
    close_program || case_fail "did not end" || return
}

# The balloon Wine's tray shows for the icon: a window of Wine's desktop
# process wider than the icon, its bottom above the icon.
balloon_window() {
    local w x y
    read -r x y < <(tray_icon) || return 1
    for w in $(xdotool search --onlyvisible --class explorer.exe 2>/dev/null); do
        eval "$(xdotool getwindowgeometry --shell "$w")"
        [ "$WIDTH" -gt 48 ] && [ "$X" -le "$x" ] && [ $((X + WIDTH)) -ge "$x" ] && [ $((Y + HEIGHT)) -le "$y" ] &&
            { echo "$w"; return 0; }
    done
    return 1
}
# The arguments the ONCALL program got, one a line (it writes them UTF-16,
# each ended by a NUL).
# Dark pixels on the balloon's second line, where the body (the name) goes.
balloon_name_ink() {
    import -window "$(balloon_window)" png:- 2>/dev/null |
        convert - -crop 100x18+4+30 +repage -colorspace gray -threshold 50% -negate -format '%[fx:round(mean*w*h)]' info:
}
oncall_arguments() { [ -s "$work/argv" ] && iconv -f UTF-16LE -t UTF-8 "$work/argv" | tr '\0' '\n'; }

# NOTIFY=1 and ONCALL, in the tray: the held number is passed on to nobody;
# a call brings the icon's balloon (the number its title, the name below)
# and runs the program ONCALL names (a
# relative path with a blank) with the date, the time, the number and the
# phonebook's name.
case_notify_and_oncall() {
    [ -f "$argv_echo" ] || case_fail "no argument-echoing program at $argv_echo" || return
    mkdir -p "$folder/hooks"
    cp "$argv_echo" "$folder/hooks/on call.exe"
    printf '# 電話帳\r\n0451112222,山田 太郎\r\n' | iconv -f UTF-8 -t CP932 >"$folder/電話帳.csv"
    write_ini $'STATE=3\r\n'
    printf '[OPTIONS]\r\nNOTIFY=1\r\nONCALL=hooks/on call.exe\r\n' >>"$folder/Nubrel.ini"
    start_device --kind 0 --number 0312345678
    NUBREL_ECHO_FILE=$(wine_path "$work/argv")
    export NUBREL_ECHO_FILE
    start_program
    unset NUBREL_ECHO_FILE
    until_ok 15 tray_icon || case_fail "no icon in icewm's tray" || return
    await_exchanges 2 || case_fail "no exchanges" || return
    balloon_window && { case_fail "a balloon for the held number" || return; }
    [ -e "$work/argv" ] && { case_fail "ONCALL ran for the held number: $(oncall_arguments)" || return; }
    tell_device 'call 0451112222'
    until_ok 15 balloon_window || case_fail "no balloon for the call" || return
    shot balloon
    [ "$(balloon_name_ink)" -gt 40 ] || case_fail "no name on the balloon's second line" || return
    until_ok 10 test -s "$work/argv" || case_fail "the ONCALL program did not run" || return
    oncall_arguments | tr '\n' '|' | grep -Eqx '[0-9]{4}/[0-9]{2}/[0-9]{2}\|[0-9]{2}:[0-9]{2}:[0-9]{2}\|0451112222\|山田 太郎\|' ||
        case_fail "arguments: $(oncall_arguments | tr '\n' '|')" || return
    close_program || case_fail "did not end" || return
    [ "$(log_count)" = 0 ] || case_fail "log: $(log_lines)" || return
}

# A program folder the user cannot write to: the files go to
# %LOCALAPPDATA%\Nubrel. Wine run as root writes through any file mode, so the
# probe's own file is made impossible (a folder holds its name); the choice,
# the folder's making, the seeding and every file after run for real.
case_user_data_folder() {
    write_ini
    mkdir "$folder/.Nubrel-write-test"
    local data shipped listing
    data=$(wine winepath -u "$(wine cmd /c 'echo %LOCALAPPDATA%' 2>/dev/null | tr -d '\r')" 2>/dev/null)/Nubrel
    [ "$data" != /Nubrel ] || case_fail "no local application data folder" || return
    rm -rf "$data"
    shipped=$(md5sum <"$folder/Nubrel.ini")
    listing=$(ls -lA --time-style=+%s.%N "$folder")
    start_device --kind 0 --number 0312345678
    start_program
    until_ok 20 title_is '0312345678' || case_fail "held number not shown" || return
    [ "$(md5sum <"$data/Nubrel.ini")" = "$shipped" ] || case_fail "settings not seeded in $data" || return
    tell_device 'call 0451112222'
    until_ok 15 title_is '0451112222' || case_fail "call not shown" || return
    until_ok 5 sh -c "iconv -f CP932 -t UTF-8 '$data/着信履歴.TXT' | grep -q ',0451112222'" ||
        case_fail "call not written to $data" || return
    shot window
    close_program || case_fail "did not end" || return
    iconv -f CP932 -t UTF-8 "$data/Nubrel.ini" | grep -q '^STATE=' || case_fail "settings not written in $data" || return
    [ "$(ls -lA --time-style=+%s.%N "$folder")" = "$listing" ] || case_fail "the program folder changed" || return
    rm -rf "$data"
}

# The setup program (NUBREL_SETUP), silent, for the Wine user: a fresh
# install, the program on the simulated device, an update over the running
# program and the user's changed settings, then the silent uninstall.
uninstall_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Nubrel'
wine_env() { wine cmd /c echo "%$1%" 2>/dev/null | tr -d '\r'; }
# Wine's menu builder stays out: it would write the host's own menus.
run_setup() { WINEDLLOVERRIDES="$WINEDLLOVERRIDES;winemenubuilder.exe=d" timeout -k 5 120 wine "$@" >>"$work/setup.out" 2>&1; }
reg_value() { # NAME: the uninstall entry's value, as `reg query` prints it (in CP932)
    wine reg query "$uninstall_key" /v "$1" 2>/dev/null | iconv -f CP932 -t UTF-8 | tr -d '\r' |
        sed -n "s/^ *$1 *REG_[A-Z_]* *//p"
}
program_files=(Nubrel.exe PhoneA.Ico PhoneB.Ico 説明書.html uninstall.exe)
case_setup_install_update_uninstall() {
    local setup=${NUBREL_SETUP:-} win_folder menu startup f
    [ -f "$setup" ] || case_fail "no setup program (NUBREL_SETUP=$setup)" || return
    win_folder="$(wine_env LOCALAPPDATA)\\Programs\\Nubrel"
    folder=$(winepath -u "$win_folder" 2>/dev/null)
    menu="$(winepath -u "$(wine_env APPDATA)" 2>/dev/null)/Microsoft/Windows/Start Menu/Programs"
    startup="$menu/Startup/Nubrel.lnk"
    [ -n "$folder" ] && [ "$folder" != / ] || case_fail "no LOCALAPPDATA" || return
    rm -rf "$folder" "$menu/Nubrel.lnk" "$startup"
    wine reg delete "$uninstall_key" /f >/dev/null 2>&1

    run_setup "$setup" /S || case_fail "silent setup failed: $(cat "$work/setup.out")" || return
    for f in "${program_files[@]}" Nubrel.ini; do
        [ -f "$folder/$f" ] || case_fail "$f not installed in $folder" || return
    done
    cmp -s "$installed/Nubrel.exe" "$folder/Nubrel.exe" || case_fail "another Nubrel.exe installed" || return
    cmp -s "$installed/Nubrel.ini" "$folder/Nubrel.ini" || case_fail "not the shipped Nubrel.ini" || return
    [ -s "$menu/Nubrel.lnk" ] || case_fail "no Start menu shortcut in $menu" || return
    [ -e "$startup" ] && { case_fail "a Startup shortcut without being asked" || return; }
    [ "$(reg_value DisplayName)" = Nubrel ] || case_fail "DisplayName: $(reg_value DisplayName)" || return
    [ "$(reg_value UninstallString)" = "\"$win_folder\\uninstall.exe\"" ] ||
        case_fail "UninstallString: $(reg_value UninstallString)" || return
    [ "$(reg_value QuietUninstallString)" = "\"$win_folder\\uninstall.exe\" /S" ] ||
        case_fail "QuietUninstallString: $(reg_value QuietUninstallString)" || return
    [ "$(reg_value DisplayIcon)" = "$win_folder\\Nubrel.exe,0" ] || case_fail "DisplayIcon: $(reg_value DisplayIcon)" || return
    reg_value DisplayVersion | grep -Eqx '[0-9]+\.[0-9]+\.[0-9]+' || case_fail "DisplayVersion: $(reg_value DisplayVersion)" || return
    [ "$(reg_value Publisher)" = ボルデック電子工房 ] || case_fail "Publisher: $(reg_value Publisher)" || return
    [ $(($(reg_value EstimatedSize))) -gt 100 ] || case_fail "EstimatedSize: $(reg_value EstimatedSize)" || return

    # The user's settings: a tick every second, and the product list of an
    # older installation, one entry short.
    local count last ini
    count=$(text_of Nubrel.ini | sed -n 's/^PRODUCTSLISTCNT=//p')
    last=$((count - 1))
    ini=$(text_of Nubrel.ini | grep -v "^PRODUCTSLIST$last=" |
        sed "s/^PRODUCTSLISTCNT=.*/PRODUCTSLISTCNT=$last/; s/^TIMER=.*/TIMER=1/")
    printf '%s\n' "$ini" | sed 's/$/\r/' | iconv -f UTF-8 -t CP932 >"$folder/Nubrel.ini"
    start_device --kind 0 --number 0312345678
    start_program
    until_ok 20 title_is '0312345678' || case_fail "the installed program shows no number" || return
    tell_device 'call 0451112222'
    until_ok 15 title_is '0451112222' || case_fail "call not shown" || return
    until_ok 5 sh -c "iconv -f CP932 -t UTF-8 '$folder/着信履歴.TXT' | grep -q ',0451112222'" ||
        case_fail "call not written: $(text_of 着信履歴.TXT)" || return
    shot installed
    printf '# 電話帳\r\n0451112222,山田\r\n' | iconv -f UTF-8 -t CP932 >"$folder/電話帳.csv"
    : >"$folder/説明書.html"
    local history phonebook
    history=$(md5sum <"$folder/着信履歴.TXT")
    phonebook=$(md5sum <"$folder/電話帳.csv")

    # The update, with the program running: it is asked to close, and writes
    # its settings before the product list is merged.
    run_setup "$setup" /S || case_fail "silent update failed: $(cat "$work/setup.out")" || return
    ended_within 5 || case_fail "the running program was not ended by the update" || return
    settings_written || case_fail "the program did not write its settings before the update" || return
    text_of Nubrel.ini | grep -qx 'TIMER=1' || case_fail "the user's TIMER lost" || return
    text_of Nubrel.ini | grep -qx "PRODUCTSLISTCNT=$count" || case_fail "product count not raised" || return
    [ "$(iconv -f CP932 -t UTF-8 "$installed/Nubrel.ini" | tr -d '\r' | grep "^PRODUCTSLIST$last=")" = \
        "$(text_of Nubrel.ini | grep "^PRODUCTSLIST$last=")" ] || case_fail "the new product not merged" || return
    crlf_lines Nubrel.ini || case_fail "Nubrel.ini not in CR LF lines" || return
    cmp -s "$installed/説明書.html" "$folder/説明書.html" || case_fail "the manual not replaced" || return
    [ "$history" = "$(md5sum <"$folder/着信履歴.TXT")" ] || case_fail "history touched" || return
    [ "$phonebook" = "$(md5sum <"$folder/電話帳.csv")" ] || case_fail "phonebook touched" || return

    # The silent uninstall runs from a copy of itself: done once it has gone.
    run_setup "$folder/uninstall.exe" /S || case_fail "silent uninstall failed" || return
    until_ok 30 test ! -e "$folder/uninstall.exe" || case_fail "the uninstaller did not finish" || return
    for f in "${program_files[@]}"; do
        [ -e "$folder/$f" ] && { case_fail "$f left" || return; }
    done
    for f in Nubrel.ini 着信履歴.TXT 電話帳.csv; do
        [ -f "$folder/$f" ] || case_fail "the user's $f removed" || return
    done
    [ -e "$menu/Nubrel.lnk" ] && { case_fail "Start menu shortcut left" || return; }
    wine reg query "$uninstall_key" >/dev/null 2>&1 && { case_fail "uninstall entry left" || return; }

    # Asked to, the uninstaller takes the user's files too, and nothing else.
    printf 'mine\r\n' >"$folder/メモ.txt"
    run_setup "$setup" /S || case_fail "setup over the kept files failed" || return
    text_of Nubrel.ini | grep -qx 'TIMER=1' || case_fail "the kept settings lost on reinstall" || return
    run_setup "$folder/uninstall.exe" /S /PURGE || case_fail "silent uninstall /PURGE failed" || return
    until_ok 30 test ! -e "$folder/uninstall.exe" || case_fail "the uninstaller did not finish" || return
    [ "$(ls -A "$folder")" = メモ.txt ] || case_fail "after /PURGE: $(ls -A "$folder" | tr '\n' ' ')" || return
    rm -rf "$folder"
}

all=(fresh_start_and_settings_at_exit kind0_calls kind1_initialised second_start_refused
    missing_port_asks_stop_or_exit tray_start_docked ncid_served_and_forwarded start_at_150_percent
    shipped_settings_are_windows_own settings_in_a_folder_the_code_page_cannot_spell
    settings_written_whole start_after_kill silent_device_ends_program exit_chosen_at_startup
    close_while_waiting close_with_settings_dialog_open junk_and_flood device_vanishes
    window_restored tray_menu_stop_start_exit phonebook_name_drawn
    ncid_source_call_shown log_off popup_while_in_tray tray_exit_during_startup_exchange late_tray
    first_window close_box font_choice_kept settings_registered_and_applied
    kind1_same_number_new_index notify_and_oncall user_data_folder setup_install_update_uninstall)
[ $# -gt 0 ] && all=("$@")
for c in "${all[@]}"; do
    new_case "$c"
    began=$SECONDS
    if "case_$c"; then
        echo "PASS: wine $c ($((SECONDS - began)) s)"
    else
        failures=$((failures + 1))
    fi
    wine taskkill /f /im Nubrel.exe >/dev/null 2>&1
    if [ -n "${program:-}" ]; then
        until_ok 10 sh -c "! kill -0 $program 2>/dev/null"
        kill "$program" 2>/dev/null
        wait "$program" 2>/dev/null
    fi
    program=
    [ -n "${device:-}" ] && stop_device
    device=
done
[ "$failures" = 0 ] || { echo "wine_e2e: $failures case(s) failed" >&2; exit 1; }
echo "wine_e2e: ${#all[@]} cases passed"

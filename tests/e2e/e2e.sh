#!/usr/bin/env bash
# One end-to-end case: a copy of the installed program folder, the simulated
# device on a pseudo-terminal, Xvfb with a window manager and a tray host:
# icewm's XEmbed tray, or with NUBREL_DESKTOP=xfce xfce4-panel's StatusNotifier
# tray on a D-Bus session. Every wait is for a condition with a deadline.
set -uo pipefail
case_name=$1
: "${NUBREL_PREFIX:?}" "${NUBREL_MODEMSIM:?}" "${NUBREL_SHOTS:?}"

# A sanitizer build reports at exit; the system libraries' own leftovers are not ours.
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$(cd "$(dirname "$0")/.." && pwd)/sanitizer/lsan.supp:print_suppressions=0}
work=$(mktemp -d /tmp/nubrel-e2e-XXXXXX)
folder=$work/Nubrel
cp -r "$NUBREL_PREFIX" "$folder"
mkdir -p "$NUBREL_SHOTS"
pids=()
. "$(dirname "$0")/../../scripts/lib/headless.sh"
cleanup() {
    stop_started
    rm -rf "$work"
}
trap cleanup EXIT

fail() { echo "FAIL: $*" >&2; shot "failed"; exit 1; }
pass() { echo "PASS: $case_name"; exit 0; }

desktop=${NUBREL_DESKTOP:-icewm}
# The display numbers tried, first to last; another range keeps parallel runs apart.
read -r display_first display_last <<<"${NUBREL_DISPLAYS:-20 60}"
start_display() {
    start_headless_display "$display_first" "$display_last" 110 "$work/desktop" || fail "no display with a tray host"
}

shot() {
    [ -n "${DISPLAY:-}" ] && import -window root "$NUBREL_SHOTS/$case_name-$1.png" 2>/dev/null || true
}

ini_text() { iconv -f CP932 -t UTF-8 "$folder/Nubrel.ini"; }

# Settings: port 2 on the simulated device, a tick every second; the product
# is of kind 0 unless `product` says otherwise.
write_ini() { # extra lines for [NUBREL]
    printf '[ENV]\r\nTIMER=1\r\nCOMPORT=2\r\n[NUBREL]\r\nPRODUCTSIDX=0\r\nPRODUCTSLISTCNT=1\r\nPRODUCTSLIST0=%s\r\n%s[PORTS]\r\nCOM2=%s\r\n' \
        "${product:-0,modem}" "$1" "$work/modem" | iconv -f UTF-8 -t CP932 >"$folder/Nubrel.ini"
}

start_device() { # modemsim options
    "$NUBREL_MODEMSIM" --link "$work/modem" --control "$work/control" "$@" >"$work/modemsim.out" 2>&1 &
    pids+=($!)
    until_ok 10 test -e "$work/modem" || fail "no simulated device"
}

tell_device() { printf '%s\n' "$@" >"$work/control.tmp" && mv "$work/control.tmp" "$work/control"; }

# No device behind the port: its open fails at every exchange.
point_at_missing_device() { sed -i "s|$work/modem|$work/no-such-device|" "$folder/Nubrel.ini"; }
# A device that never answers, its traffic logged.
start_silent_device() {
    start_device --kind 0 --log "$work/device.log"
    tell_device 'silent on'
}

start_program() {
    "$folder/nubrel" >"$work/nubrel.out" 2>&1 &
    program=$!
    pids+=($program)
}

title_is() { xdotool search --name "^$1\$" >/dev/null 2>&1; }
history_lines() { [ -f "$folder/着信履歴.TXT" ] && iconv -f CP932 -t UTF-8 "$folder/着信履歴.TXT" | tr -d '\r'; }

log_lines() { [ -f "$folder/Nubrel.log" ] && iconv -f CP932 -t UTF-8 "$folder/Nubrel.log" | tr -d '\r'; }
log_count() { log_lines | grep -c . ; }
windows_named() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | wc -l; }
# A second visible window with the main window's title: the Stop/Exit question.
question_open() { [ "$(windows_named "$1")" -ge 2 ]; }
question_closed() { [ "$(windows_named "$1")" = 1 ]; }
# The settings are written at shut-down: the window's position keys appear.
settings_written() { ini_text | tr -d '\r' | grep -q '^STATE='; }
# press KEY on the visible window titled TITLE that is not the main window,
# again if a press was lost, until that window has gone
dialog_window() {
    local w
    for w in $(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null); do
        [ "$w" = "${main_window:-}" ] && continue
        echo "$w"
        return 0
    done
    return 1
}
answer_dialog() {
    local w tries
    for tries in 1 2 3 4 5 6 7 8 9 10; do
        w=$(dialog_window "$1") || return 0
        xdotool windowactivate --sync "$w" >/dev/null 2>&1 || xdotool windowfocus --sync "$w"
        # shellcheck disable=SC2086 # several keys in turn
        xdotool key --window "$w" $2
        until_ok 2 sh -c "! xdotool search --onlyvisible --name '^$1\$' | grep -qx '$w'" && return 0
    done
    return 1
}
# What the accessibility bus tells of the window titled TITLE: its role, then
# the texts in it. Needs the program started with accessibility on a session
# bus (with_accessibility).
accessible_texts() { "$(dirname "$0")/accessible_texts.py" "$1"; }
with_accessibility() {
    eval "$(dbus-launch --sh-syntax)"
    export DBUS_SESSION_BUS_ADDRESS
    pids+=("$DBUS_SESSION_BUS_PID")
    export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
}
# The message a device that stops answering ends the program with, on port 2:
# a box of its own, with the text and an OK button.
no_answer_message=$'alert\nＶＯＲＤＥＫにて、\n受信できません。COM 2の設定を確認して、再起動してください。\nOK'
ended_within() { # SECONDS: the program has ended (and was reaped)
    local deadline=$((SECONDS + $1))
    while kill -0 "$program" 2>/dev/null && [ $SECONDS -lt $deadline ]; do sleep 0.1; done
    kill -0 "$program" 2>/dev/null && return 1
    local rc=0
    wait "$program" || rc=$?
    [ $rc = 0 ] || echo "the program ended with status $rc: $(tail -n 5 "$work/nubrel.out")" >&2
    return $rc
}
device_heard() { grep -q "^recv $1" "$work/device.log" 2>/dev/null; }
# The device has received at least N commands.
device_heard_count() { [ "$(grep -c '^recv ' "$work/device.log" 2>/dev/null)" -ge "$1" ]; }
# Waits until the device has received N more commands: N more exchanges.
await_exchanges() { # N
    local heard
    heard=$(grep -c '^recv ' "$work/device.log" 2>/dev/null)
    until_ok 20 device_heard_count $((heard + $1))
}
# The device has given two answers of junk (no "OK" in them) and received N
# commands after the last of them.
polled_after_junk() { # N
    awk -v n="$1" '/^send / && !/OK/ { junk++; after = 0; next } /^recv / { after++ }
        END { exit !(junk >= 2 && after >= n) }' "$work/device.log"
}
# A plain start on the simulated device, up to the main window.
start_plain() {
    write_ini ''
    start_device --kind 0
    start_program
    until_ok 15 title_is '準備中' || fail "no window"
    main_window=$(xdotool search --onlyvisible --name '^準備中$' | head -n 1)
}
# The simulated device holding 0312345678 (modemsim options added), the
# program started on it, up to the main window showing the number.
start_held_number() {
    write_ini ''
    start_device --kind 0 --number 0312345678 "$@"
    start_program
    until_ok 15 title_is '0312345678' || fail "held number not shown"
    main_window=$(xdotool search --onlyvisible --name '^0312345678$' | head -n 1)
}
# A display with no tray host yet, the program started into the tray on the
# device holding 0312345678, its commands logged.
start_without_tray() { # [NUBREL] lines
    start_bare_display "$display_first" "$display_last" 110 "$work/desktop" || fail "no display"
    write_ini "$1"
    start_device --kind 0 --number 0312345678 --log "$work/device.log"
    start_program
}
# KEYS on the main window until the window titled TITLE is open: a key pressed
# before the window has the focus is lost, so press again.
open_window() { # TITLE KEYS...
    local title=$1
    shift
    title_is "$title" && return 0
    xdotool windowactivate --sync "$main_window" key --clearmodifiers "$@"
    until_ok 2 title_is "$title"
}
nubrel_windows_visible() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | grep -q .; }

# The program's icon in the tray. icewm embeds it as a small window of the
# program's class; the panel holds nothing else, so it sits at its left end.
panel_geometry() {
    local w
    for w in $(xdotool search --onlyvisible --class xfce4-panel 2>/dev/null); do
        eval "$(xdotool getwindowgeometry --shell "$w")"
        [ "$WIDTH" -gt 100 ] && { echo "$X $Y $HEIGHT"; return 0; }
    done
    return 1
}
tray_icon_center() {
    local w x y h
    if [ "$desktop" = xfce ]; then
        read -r x y h < <(panel_geometry) || return 1
        echo "$((x + h / 2)) $((y + h / 2))"
        return 0
    fi
    for w in $(xdotool search --onlyvisible --class nubrel 2>/dev/null); do
        eval "$(xdotool getwindowgeometry --shell "$w")"
        [ "$WIDTH" -le 48 ] && [ "$HEIGHT" -le 48 ] && { echo "$((X + WIDTH / 2)) $((Y + HEIGHT / 2))"; return 0; }
    done
    return 1
}
# The icon's picture: 16 x 16 pixels around its middle, as drawn on the screen.
tray_icon_picture() {
    local x y
    read -r x y < <(tray_icon_center) || return 1
    import -window root -crop "16x16+$((x - 8))+$((y - 8))" rgb:- 2>/dev/null | md5sum | cut -c1-32
}
# Drawn, not blank: more than a few colours where the icon sits.
tray_icon_shown() {
    local x y colours
    read -r x y < <(tray_icon_center) || return 1
    colours=$(import -window root -crop "16x16+$((x - 8))+$((y - 8))" png:- 2>/dev/null | identify -format '%k' -)
    [ "${colours:-0}" -gt 4 ]
}
icon_changed_from() { [ "$(tray_icon_picture)" != "$1" ]; }
tray_click() { # BUTTON [CLICKS]
    local x y
    read -r x y < <(tray_icon_center) || return 1
    xdotool mousemove "$x" "$y" click --repeat "${2:-1}" --delay 120 "$1"
}
# A menu of the icon is open: a new window at the bottom of the screen.
menu_open() {
    local w
    for w in $(xdotool search --onlyvisible --name '.*' 2>/dev/null); do
        eval "$(xdotool getwindowgeometry --shell "$w")"
        [ "$Y" -gt 500 ] && [ "$HEIGHT" -gt 60 ] && [ "$HEIGHT" -lt 400 ] && return 0
    done
    return 1
}
# Right button on the icon, then KEYS in its menu.
tray_menu() { # KEYS...
    local tries
    for tries in 1 2 3 4 5; do
        tray_click 3 && until_ok 3 menu_open && break
        xdotool key Escape
    done
    menu_open || return 1
    shot menu
    xdotool key "$@"
}

stop_program() { # [SIGNAL]: TERM unless told
    kill -"${1:-TERM}" "$program" 2>/dev/null
    ended_within 10 || fail "the program did not end cleanly on SIG${1:-TERM}"
}

# NCID peers of the tests' own on 127.0.0.1, and the [NCID] section.
ncid_peer() { "$(dirname "$0")/ncid_peer.py" "$@"; }
add_ncid_section() { # KEY=value lines
    { printf '[NCID]\r\n'; printf '%s\r\n' "$@"; } | iconv -f UTF-8 -t CP932 >>"$folder/Nubrel.ini"
}
start_ncid_peer() { # ROLE PORT FILE
    ncid_peer "$@" &
    pids+=($!)
}

case $case_name in
late_tray | tray_never_appears) ;; # start their own display
*) start_display ;;
esac
case $case_name in
startup_title)
    start_plain
    shot window
    stop_program
    pass ;;
call_shown_and_written)
    start_held_number --log "$work/device.log"
    [ -z "$(history_lines)" ] || fail "the held number was written"
    tell_device 'call 0451112222'
    until_ok 15 title_is '0451112222' || fail "new call not shown"
    shot window
    # Two more exchanges: the same number must not be written again.
    await_exchanges 2 || fail "no more exchanges"
    lines=$(history_lines)
    [ "$(printf '%s\n' "$lines" | grep -c ',0451112222$')" = 1 ] || fail "history: $lines"
    [ "$(printf '%s\n' "$lines" | wc -l)" = 1 ] || fail "history: $lines"
    printf '%s\n' "$lines" | grep -Eq '^[0-9]{4}/[0-9]{2}/[0-9]{2},[0-9]{2}:[0-9]{2}:[0-9]{2},0451112222$' || fail "line layout: $lines"
    stop_program
    pass ;;
withheld_call)
    start_held_number
    tell_device withheld
    until_ok 15 title_is '非通知' || fail "withheld call not shown"
    shot window
    until_ok 5 sh -c "iconv -f CP932 -t UTF-8 '$folder/着信履歴.TXT' | grep -q ',99999999999'" || fail "withheld mark not written"
    stop_program
    pass ;;
tray_start)
    write_ini $'STATE=3\r\nTOP=1500\r\nLEFT=1500\r\nHEIGHT=1800\r\nWIDTH=4500\r\n'
    start_device --kind 0 --log "$work/device.log"
    start_program
    until_ok 15 sh -c "xdotool search --class nubrel | head -n 1 | grep -q ." || fail "no window of the program"
    until_ok 15 device_heard_count 1 || fail "no exchange"
    xdotool search --onlyvisible --name '^準備中$' >/dev/null 2>&1 && fail "the main window is visible"
    until_ok 10 tray_icon_shown || fail "no tray icon"
    shot tray
    stop_program
    ini_text | tr -d '\r' | grep -qx 'STATE=3' || fail "STATE 3 not written"
    ini_text | tr -d '\r' | grep -qx 'TOP=1500' || fail "position keys changed"
    pass ;;
sigterm_writes_settings)
    start_plain
    shot window
    stop_program
    keys=$(ini_text | tr -d '\r' | sed -n '/^\[NUBREL\]/,/^\[/p' | grep = | cut -d= -f1 | tr '\n' ' ')
    expected='PRODUCTSIDX PRODUCTSLISTCNT PRODUCTSLIST0 TOP LEFT HEIGHT WIDTH STATE FONT FONTSIZE FONTBOLD FONTITALIC '
    [ "$keys" = "$expected" ] || fail "keys: $keys"
    grep -q $'FONTITALIC=False\r$' "$folder/Nubrel.ini" || fail "no CR LF"
    pass ;;
second_instance_refused)
    start_plain
    before=$(md5sum "$folder/Nubrel.ini")
    timeout 10 "$folder/nubrel"; rc=$?
    [ $rc = 0 ] || fail "second start exited $rc"
    [ "$(xdotool search --name '^準備中$' | wc -l)" = 1 ] || fail "a second window appeared"
    [ "$before" = "$(md5sum "$folder/Nubrel.ini")" ] || fail "the second start touched the settings"
    kill -0 "$program" || fail "the first copy ended"
    shot window
    stop_program
    pass ;;
silent_device_ends_program)
    write_ini ''
    start_silent_device
    with_accessibility
    start_program
    until_ok 15 title_is '準備中' || fail "no window"
    main_window=$(xdotool search --onlyvisible --name '^準備中$' | head -n 1)
    # Three unanswered exchanges of about 3 s each, then the message: a box of
    # its own over the main window, which stays.
    until_ok 40 dialog_window 'VORDEK' || fail "no message box titled VORDEK"
    shot message
    nubrel_windows_visible '準備中' || fail "the main window went with the message"
    until_ok 10 accessible_texts 'VORDEK' || fail "the message box is not on the accessibility bus"
    [ "$(accessible_texts 'VORDEK')" = "$no_answer_message" ] || fail "message box: $(accessible_texts 'VORDEK')"
    [ "$(log_count)" = 1 ] || fail "log: $(log_lines)"
    log_lines | grep -Eq '^.{19} Nubrel {4} \[iTry=\[3\]lcnt=\[10001\]F=\[\]\]$' || fail "log line: $(log_lines)"
    settings_written && fail "settings written before the message was closed"
    answer_dialog 'VORDEK' Return || fail "cannot answer the message"
    ended_within 10 || fail "the program did not end after the message"
    settings_written || fail "settings not written"
    [ "$(log_count)" = 1 ] || fail "log grew: $(log_lines)"
    pass ;;
missing_device_asks_stop_or_exit)
    write_ini ''
    point_at_missing_device
    start_program
    until_ok 15 title_is '準備中' || fail "no window"
    main_window=$(xdotool search --onlyvisible --name '^準備中$' | head -n 1)
    # The question carries the main window's title.
    until_ok 15 question_open '準備中' || fail "no Stop/Exit question"
    shot question
    log_lines | grep -Eq '^.{19} Nubrel {4} \[ｴﾗｰ番号\[1\].+\]$' || fail "log: $(log_lines)"
    # "停止" has the focus: Return stops monitoring, the program stays.
    answer_dialog '準備中' Return || fail "cannot answer the question"
    until_ok 10 question_closed '準備中' || fail "the question stayed"
    # A tick period passes (one second here), then the program answers a
    # request of ours: a tick due by then has run before the answer, and a tick
    # that tried the port again would have logged and asked again.
    sleep 1.5
    until_ok 20 open_window 'フォント' alt+d f || fail "the program did not answer (asked again?): $(log_lines)"
    answer_dialog 'フォント' Escape || fail "cannot cancel the font dialog"
    [ "$(log_count)" = 1 ] || fail "monitoring did not stop: $(log_lines)"
    question_closed '準備中' || fail "asked again after 停止"
    kill -0 "$program" || fail "the program ended"
    stop_program
    settings_written || fail "settings not written"
    pass ;;
popup_while_in_tray)
    write_ini $'STATE=3\r\n'
    start_device --kind 0 --number 0312345678 --log "$work/device.log"
    start_program
    popup_visible() { # a visible window of the program at the bottom right, wide enough for eleven digits
        local w
        for w in $(xdotool search --onlyvisible --class nubrel 2>/dev/null); do
            eval "$(xdotool getwindowgeometry --shell "$w")"
            [ "$WIDTH" -ge 70 ] && [ "$X" -ge 700 ] && [ "$Y" -ge 500 ] && return 0
        done
        return 1
    }
    popup_hidden() { ! popup_visible; }
    # In the tray from the start: the held number is the first one, so it pops up too.
    until_ok 15 popup_visible || fail "no pop-up for the held number"
    until_ok 5 popup_hidden || fail "the pop-up stayed after the next tick"
    xdotool search --onlyvisible --name '^0312345678$' >/dev/null && fail "the main window is visible"
    tell_device 'call 09012345678'
    until_ok 15 popup_visible || fail "no pop-up for a new call"
    shot popup
    until_ok 5 popup_hidden || fail "the pop-up stayed"
    stop_program
    pass ;;
sigterm_during_exchange)
    write_ini ''
    start_silent_device
    start_program
    # The command heard: the program waits for the answer, which never comes.
    until_ok 15 device_heard 'AT' || fail "no exchange started"
    kill -TERM "$program"
    ended_within 5 || fail "the program did not end during the exchange"
    [ "$(grep -c '^recv ' "$work/device.log")" = 1 ] || fail "another exchange began: $(cat "$work/device.log")"
    settings_written || fail "settings not written"
    [ "$(log_count)" = 0 ] || fail "log: $(log_lines)"
    pass ;;
sigterm_during_question)
    write_ini ''
    point_at_missing_device
    start_program
    until_ok 15 question_open '準備中' || fail "no Stop/Exit question"
    kill -TERM "$program"
    ended_within 5 || fail "the program did not end with the question open"
    settings_written || fail "settings not written"
    pass ;;
sigterm_during_settings_dialog)
    start_plain
    until_ok 20 open_window '環境設定' alt+k || fail "the settings dialog did not open"
    shot dialog
    kill -TERM "$program"
    ended_within 5 || fail "the program did not end with the settings dialog open"
    settings_written || fail "settings not written"
    pass ;;
garbage_and_flood)
    start_held_number --log "$work/device.log"
    # Two answers of binary junk count as unanswered and are not reported:
    # the polling goes on after them, and no call comes of them.
    tell_device 'garbage 2'
    until_ok 30 polled_after_junk 2 || fail "no polling after the junk: $(tail -n 8 "$work/device.log")"
    [ "$(xdotool getwindowname "$main_window")" = '0312345678' ] ||
        fail "the junk changed the title: $(xdotool getwindowname "$main_window")"
    [ -z "$(history_lines)" ] || fail "the junk was written: $(history_lines)"
    [ "$(log_count)" = 0 ] || fail "the junk was logged: $(log_lines)"
    tell_device 'call 0451112222'
    until_ok 30 title_is '0451112222' || fail "no call after the junk"
    # An answer behind 70,000 bytes of junk still gives the number.
    tell_device 'flood 70000' 'call 0669998888'
    until_ok 30 title_is '0669998888' || fail "no call behind the flood"
    shot window
    [ "$(log_count)" = 0 ] || fail "log: $(log_lines)"
    [ "$(history_lines | cut -d, -f3 | tr '\n' ' ')" = '0451112222 0669998888 ' ] || fail "history: $(history_lines)"
    stop_program
    pass ;;
device_vanishes)
    start_held_number --log "$work/device.log"
    tell_device 'silent on'
    until_ok 10 sh -c "grep -c '^none' '$work/device.log' | grep -qv '^0$'" || fail "no silent exchange"
    tell_device vanish
    # Unplugged: the exchange ends unanswered; the next open fails and asks.
    until_ok 30 question_open '0312345678' || fail "no Stop/Exit question"
    shot question
    log_lines | grep -q 'ｴﾗｰ番号\[' || fail "log: $(log_lines)"
    kill -0 "$program" || fail "the program ended"
    stop_program
    settings_written || fail "settings not written"
    pass ;;
port_held_by_another)
    write_ini ''
    start_device --kind 0
    mkfifo "$work/hold.in"
    "$NUBREL_HOLDPORT" "$work/modem" <"$work/hold.in" >"$work/hold.out" 2>&1 &
    pids+=($!)
    exec 7>"$work/hold.in"
    until_ok 10 grep -q held "$work/hold.out" || fail "could not hold the port: $(cat "$work/hold.out")"
    start_program
    until_ok 15 question_open '準備中' || fail "no Stop/Exit question"
    shot question
    log_lines | grep -Eq '^.{19} Nubrel {4} \[ｴﾗｰ番号\[2\].+\]$' || fail "log: $(log_lines)"
    exec 7>&-
    stop_program
    pass ;;
readonly_folder)
    write_ini ''
    start_device --kind 0 --number 0312345678
    as_user=()
    if [ "$(id -u)" = 0 ]; then
        # root writes through any mode: run the program as nobody instead.
        chmod 755 "$work"
        chmod 666 "$(readlink -f "$work/modem")"
        chown -R nobody "$folder"
        as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups --)
    fi
    "${as_user[@]}" "$folder/nubrel" >"$work/nubrel.out" 2>&1 &
    program=$!
    pids+=($program)
    until_ok 15 title_is '0312345678' || fail "held number not shown"
    tell_device 'call 0111111111'
    until_ok 10 title_is '0111111111' || fail "call 1 not shown"
    until_ok 5 sh -c "iconv -f CP932 -t UTF-8 '$folder/着信履歴.TXT' | grep -q 0111111111" || fail "call 1 not written"
    chmod -R a-w "$folder"
    for n in 0222222222 0333333333; do
        tell_device "call $n"
        until_ok 10 title_is "$n" || fail "call $n not shown in a read-only folder"
    done
    [ "$(history_lines | wc -l)" = 1 ] || fail "written to a read-only folder?"
    chmod -R u+w "$folder"
    tell_device 'call 0444444444'
    until_ok 10 title_is '0444444444' || fail "call 4 not shown"
    until_ok 5 sh -c "iconv -f CP932 -t UTF-8 '$folder/着信履歴.TXT' | grep -q 0444444444" || fail "call 4 not written"
    [ "$(history_lines | cut -d, -f3 | tr '\n' ' ')" = '0111111111 0222222222 0333333333 0444444444 ' ] ||
        fail "history: $(history_lines)"
    # Shut down with the settings unwritable: no hang, the old file stays whole.
    chmod -R a-w "$folder"
    before=$(md5sum <"$folder/Nubrel.ini")
    kill -TERM "$program"
    ended_within 10 || fail "the program hung on an unwritable settings file"
    [ "$before" = "$(md5sum <"$folder/Nubrel.ini")" ] || fail "settings file changed"
    chmod -R u+w "$folder"
    pass ;;
user_data_folder)
    # An installation the user cannot write to: the files go to the user's
    # own data folder, made and seeded at the first start.
    write_ini ''
    start_device --kind 0 --number 0312345678
    home=$work/home
    data=$home/.local/share/Nubrel
    mkdir -p "$home"
    as_user=()
    if [ "$(id -u)" = 0 ]; then
        # root writes through any mode: the program runs as nobody, the
        # folder stays root's.
        chmod 755 "$work"
        chmod 666 "$(readlink -f "$work/modem")"
        chown nobody:nogroup "$home"
        as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups --)
    else
        chmod -R a-w "$folder"
    fi
    listing=$(ls -lA --time-style=+%s.%N "$folder")
    shipped=$(md5sum <"$folder/Nubrel.ini")
    env -u XDG_DATA_HOME HOME="$home" "${as_user[@]}" "$folder/nubrel" >"$work/nubrel.out" 2>&1 &
    program=$!
    pids+=($program)
    until_ok 15 title_is '0312345678' || fail "held number not shown: $(cat "$work/nubrel.out")"
    [ "$(md5sum <"$data/Nubrel.ini")" = "$shipped" ] || fail "settings not seeded in $data"
    tell_device 'call 0111111111'
    until_ok 10 title_is '0111111111' || fail "call not shown"
    until_ok 5 sh -c "iconv -f CP932 -t UTF-8 '$data/着信履歴.TXT' | grep -q ',0111111111'" ||
        fail "call not written to $data"
    shot window
    kill -TERM "$program"
    ended_within 10 || fail "the program did not end"
    iconv -f CP932 -t UTF-8 "$data/Nubrel.ini" | tr -d '\r' | grep -q '^STATE=' || fail "settings not written in $data"
    [ "$(ls -lA --time-style=+%s.%N "$folder")" = "$listing" ] || fail "the program folder changed"
    chmod -R u+w "$folder"
    pass ;;
exit_chosen_at_startup)
    # A kind-1 product is initialised at start-up; the port cannot be used.
    product='1,TA' write_ini ''
    point_at_missing_device
    start_program
    until_ok 15 title_is '準備中' || fail "no Stop/Exit question at start-up"
    shot question
    answer_dialog '準備中' 'Tab space' || fail "cannot answer 終了"
    ended_within 10 || fail "終了 at start-up left the program running"
    settings_written || fail "settings not written"
    # The lock went with it: the next start runs, and a signal during the
    # same question ends it too.
    start_program
    until_ok 15 title_is '準備中' || fail "the next start was refused"
    kill -TERM "$program"
    ended_within 5 || fail "SIGTERM during the start-up question did not end the program"
    pass ;;
tray_exit_during_startup_exchange)
    # In the tray from the start, a silent kind-1 device: 終了 from the icon's
    # menu while the initialisation command waits.
    product='1,TA' write_ini $'STATE=3\r\n'
    start_silent_device
    start_program
    until_ok 15 device_heard 'AT' || fail "no initialisation command"
    until_ok 10 tray_icon_center || fail "no tray icon"
    tray_menu x || fail "no menu on the icon"
    ended_within 5 || fail "終了 during the start-up exchange left the program running"
    ini_text | tr -d '\r' | grep -qx 'STATE=3' || fail "STATE 3 not written"
    pass ;;
tray_restore_and_menu)
    write_ini $'STATE=3\r\n'
    start_device --kind 0 --number 0312345678 --log "$work/device.log"
    start_program
    until_ok 15 tray_icon_shown || fail "no tray icon"
    until_ok 10 device_heard 'AT' || fail "no exchange"
    shot tray
    if [ "$desktop" = xfce ]; then
        # A StatusNotifier host's primary activation is the left click.
        tray_click 1
    else
        # On an XEmbed tray a single click does nothing; a double-click restores.
        tray_click 1
        await_exchanges 2 || fail "no more exchanges"
        nubrel_windows_visible 0312345678 && fail "a single click restored the window"
        tray_click 1 2
    fi
    until_ok 10 nubrel_windows_visible 0312345678 || fail "the icon did not bring the window back"
    shot restored
    main_window=$(xdotool search --onlyvisible --name '^0312345678$' | head -n 1)
    xdotool windowactivate --sync "$main_window" key --clearmodifiers alt+e t
    until_ok 10 sh -c "! xdotool search --onlyvisible --name '^0312345678\$' | grep -q ." ||
        fail "タスクバーに入れる did not hide the window"
    # 停止 and 開始 from the icon's menu change its picture at once.
    until_ok 10 tray_icon_shown || fail "no icon after going back into the tray"
    running=$(tray_icon_picture)
    tray_menu s || fail "no menu on the icon"
    until_ok 5 icon_changed_from "$running" || fail "停止 left the icon as it was"
    stopped=$(tray_icon_picture)
    shot stopped
    tray_menu s || fail "no menu on the icon"
    until_ok 5 icon_changed_from "$stopped" || fail "開始 left the icon as it was"
    stop_program
    ini_text | tr -d '\r' | grep -qx 'STATE=3' || fail "STATE 3 not written"
    pass ;;
late_tray)
    # Autostart at login: the program comes before the panel.
    start_without_tray $'STATE=3\r\nTOP=1500\r\n'
    until_ok 15 device_heard 'AT' || fail "the program did not start"
    await_exchanges 2 || fail "no more exchanges"
    nubrel_windows_visible 0312345678 && fail "the window showed while waiting for a tray"
    start_tray_host || fail "no tray host"
    until_ok 15 tray_icon_shown || fail "no icon once the tray came"
    nubrel_windows_visible 0312345678 && fail "the window showed when the tray came"
    shot tray
    # The panel restarts: the icon comes back.
    stop_tray_host
    start_tray_host || fail "the tray host did not come back"
    until_ok 15 tray_icon_shown || fail "no icon after the panel restarted"
    stop_program
    ini_text | tr -d '\r' | grep -qx 'STATE=3' || fail "STATE 3 not written"
    ini_text | tr -d '\r' | grep -qx 'TOP=1500' || fail "position keys changed"
    pass ;;
first_window)
    # No settings file at all: port 2 is /dev/ttyS1, first tick in 10 s.
    rm -f "$folder/Nubrel.ini"
    start_program
    until_ok 15 title_is '準備中' || fail "no window"
    main_window=$(xdotool search --onlyvisible --name '^準備中$' | head -n 1)
    hints=$(xprop -id "$main_window" WM_NORMAL_HINTS)
    echo "$hints" | grep -q 'specified location' && fail "a position was forced: $hints"
    eval "$(xdotool getwindowgeometry --shell "$main_window")"
    [ "$WIDTH" = 281 ] || fail "client width $WIDTH, designed 281"
    [ "$HEIGHT" -ge 80 ] && [ "$HEIGHT" -le 110 ] || fail "client height $HEIGHT: 69 and the menu bar"
    shot window
    # Moved and resized by the user, then ended: the outer geometry is saved.
    xdotool windowmove "$main_window" 200 150 windowsize "$main_window" 400 120
    until_ok 5 sh -c "xdotool getwindowgeometry '$main_window' | grep -q 400x120" || fail "resize"
    read -r left right top bottom < <(xprop -id "$main_window" _NET_FRAME_EXTENTS | tr -d ',' | awk '{print $3, $4, $5, $6}')
    eval "$(xdotool getwindowgeometry --shell "$main_window")"
    stop_program
    for kv in "TOP=$(((Y - top) * 15))" "LEFT=$(((X - left) * 15))" \
        "HEIGHT=$(((HEIGHT + top + bottom) * 15))" "WIDTH=$(((WIDTH + left + right) * 15))"; do
        ini_text | tr -d '\r' | grep -qx "$kv" || fail "expected $kv in $(ini_text)"
    done
    pass ;;
window_kept_across_the_tray)
    # Never placed by the program: where the user put it, it comes back.
    start_held_number
    xdotool windowmove "$main_window" 333 222
    until_ok 5 sh -c "xdotool getwindowgeometry '$main_window' | grep -q 'Position: 3[0-9][0-9],2'" ||
        fail "not moved: $(xdotool getwindowgeometry "$main_window")"
    before=$(xdotool getwindowgeometry "$main_window" | awk '/Position/ {print $2}')
    xdotool windowactivate --sync "$main_window" key --clearmodifiers alt+e t
    until_ok 10 sh -c "! xdotool search --onlyvisible --name '^0312345678\$' | grep -q ." ||
        fail "タスクバーに入れる did not hide the window"
    until_ok 15 tray_icon_shown || fail "no tray icon"
    tray_click 1 2
    until_ok 10 nubrel_windows_visible 0312345678 || fail "the icon did not bring the window back"
    main_window=$(xdotool search --onlyvisible --name '^0312345678$' | head -n 1)
    until_ok 5 sh -c "xdotool getwindowgeometry '$main_window' | grep -q 'Position: $before '" ||
        fail "was at $before, came back at $(xdotool getwindowgeometry "$main_window")"
    stop_program
    # Saved in the top-left corner: put back there, not where the window manager likes.
    write_ini $'TOP=0\r\nLEFT=0\r\n'
    start_program
    until_ok 15 title_is '0312345678' || fail "no window at the second start"
    main_window=$(xdotool search --onlyvisible --name '^0312345678$' | head -n 1)
    read -r left right top bottom < <(xprop -id "$main_window" _NET_FRAME_EXTENTS | tr -d ',' | awk '{print $3, $4, $5, $6}')
    until_ok 5 sh -c "xdotool getwindowgeometry '$main_window' | grep -q 'Position: $left,$top '" ||
        fail "TOP=0 LEFT=0 put it at $(xdotool getwindowgeometry "$main_window"), frame $left,$top"
    xprop -id "$main_window" WM_NORMAL_HINTS | grep -q 'specified location: 0, 0' ||
        fail "the corner was left to the window manager: $(xprop -id "$main_window" WM_NORMAL_HINTS)"
    shot corner
    stop_program
    pass ;;
close_box_ends_program)
    start_plain
    # The window manager's close, as its close box sends it.
    xdotool windowactivate --sync "$main_window" key --clearmodifiers alt+F4
    ended_within 5 || fail "the close box did not end the program"
    keys=$(ini_text | tr -d '\r' | sed -n '/^\[NUBREL\]/,/^\[/p' | grep = | cut -d= -f1 | tr '\n' ' ')
    [ "$keys" = 'PRODUCTSIDX PRODUCTSLISTCNT PRODUCTSLIST0 TOP LEFT HEIGHT WIDTH STATE FONT FONTSIZE FONTBOLD FONTITALIC ' ] ||
        fail "keys: $keys"
    pass ;;
font_dialog)
    start_held_number
    # The canvas: the client area below the menu bar, 69 pixels high.
    canvas() { import -window "$main_window" png:- 2>/dev/null | convert - -gravity South -crop 0x69+0+0 +repage rgb:- | md5sum; }
    before=$(canvas)
    until_ok 20 open_window 'フォント' alt+d f || fail "the font dialog did not open"
    dialog=$(dialog_window 'フォント') || fail "no font dialog"
    picture() { import -window "$dialog" rgb:- 2>/dev/null | md5sum; }
    regular=$(picture)
    # Bold and italic chosen, as the sample shows, then cancelled.
    xdotool windowactivate --sync "$dialog" key --clearmodifiers alt+b alt+i
    until_ok 5 sh -c "[ \"\$(import -window $dialog rgb:- 2>/dev/null | md5sum)\" != '$regular' ]" ||
        fail "bold and italic not chosen in the dialog"
    shot dialog
    answer_dialog 'フォント' Escape || fail "cannot cancel the font dialog"
    [ "$(canvas)" = "$before" ] || fail "cancel changed the window's font"
    stop_program
    for kv in FONTSIZE=18 FONTBOLD=False FONTITALIC=False; do
        ini_text | tr -d '\r' | grep -qx "$kv" || fail "cancel changed the font: $(ini_text)"
    done
    pass ;;
log_off)
    write_ini ''
    start_device --kind 0 --number 0312345678
    mkfifo "$work/sm.in"
    "$NUBREL_SESSION_MANAGER" <"$work/sm.in" >"$work/sm.out" 2>&1 &
    pids+=($!)
    exec 8>"$work/sm.in"
    until_ok 10 grep -q '^SESSION_MANAGER=' "$work/sm.out" || fail "no session manager: $(cat "$work/sm.out")"
    sm_said() { [ "$(grep -c "^$1\$" "$work/sm.out")" -ge "$2" ]; }
    SESSION_MANAGER=$(sed -n 's/^SESSION_MANAGER=//p' "$work/sm.out") start_program
    until_ok 15 title_is '0312345678' || fail "held number not shown"
    until_ok 10 sm_said registered 1 || fail "the program did not join the session"
    # Log-off asked for: the settings are written, the program goes on.
    echo logout >&8
    until_ok 10 sm_said done 1 || fail "no answer to the save: $(cat "$work/sm.out")"
    until_ok 5 settings_written || fail "settings not written at log-off"
    # Another program refused the log-off: still running and monitoring.
    echo cancel >&8
    tell_device 'call 0451112222'
    until_ok 15 title_is '0451112222' || fail "monitoring stopped after a cancelled log-off"
    kill -0 "$program" || fail "the program ended"
    # The session really ends.
    echo logout >&8
    until_ok 10 sm_said done 2 || fail "no answer to the second save"
    echo die >&8
    ended_within 10 || fail "the program outlived its session"
    ini_text | tr -d '\r' | grep -qx 'STATE=0' || fail "settings: $(ini_text)"
    pass ;;
phonebook_and_call_options)
    # A session bus of its own that starts no services, so that the first call
    # comes while no notification server is there; dbus-monitor reads the calls.
    cat >"$work/bus.conf" <<'BUS'
<busconfig>
  <type>session</type>
  <listen>unix:tmpdir=/tmp</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
BUS
    timeout -k 3 60 dbus-daemon --config-file="$work/bus.conf" --nofork --print-address=3 3>"$work/bus.address" &
    pids+=($!)
    until_ok 10 test -s "$work/bus.address" || fail "no session bus"
    DBUS_SESSION_BUS_ADDRESS=$(head -n 1 "$work/bus.address")
    export DBUS_SESSION_BUS_ADDRESS
    timeout -k 3 60 dbus-monitor --session "interface='org.freedesktop.Notifications'" >"$work/notify.log" 2>&1 &
    pids+=($!)
    until_ok 10 grep -q NameAcquired "$work/notify.log" || fail "no bus monitor"
    server_up() {
        dbus-send --session --print-reply --dest=org.freedesktop.Notifications /org/freedesktop/Notifications \
            org.freedesktop.Notifications.GetServerInformation 2>/dev/null | grep -q dunst
    }
    notifies() { grep -c 'member=Notify' "$work/notify.log"; }
    # The Nth notification's first five arguments, trimmed and joined by '|'.
    notification() {
        awk -v n="$1" '/member=Notify/ { k++; a = 0; next } k == n && a < 5 && /^   [a-z]/ { sub(/^ +/, ""); printf "%s|", $0; a++ }' "$work/notify.log"
    }
    # Names for two of the numbers; the first looks like markup.
    printf '# 電話帳\r\n0451112222,<b>山田</b> & 太郎\r\n' | iconv -f UTF-8 -t CP932 >"$folder/電話帳.csv"
    printf 'BEGIN:VCARD\r\nVERSION:3.0\r\nFN:鈴木 花子\r\nTEL;TYPE=CELL:+81 45-999-8888\r\nEND:VCARD\r\n' >"$folder/電話帳.vcf"
    # The command: a relative path with a blank; each call's arguments in a file.
    mkdir -p "$folder/hooks"
    printf '#!/bin/sh\nf=$(mktemp "%s/oncall-XXXXXX")\nfor a in "$@"; do printf "[%%s]\\n" "$a"; done >"$f.part"\nmv "$f.part" "$f.txt"\n' "$work" >"$folder/hooks/on call"
    chmod +x "$folder/hooks/on call"
    oncalls() { find "$work" -maxdepth 1 -name 'oncall-*.txt' | wc -l; }
    oncall_for() { grep -l "^\[$1\]\$" "$work"/oncall-*.txt | xargs cat | tr '\n' ' '; }
    write_ini ''
    printf '[OPTIONS]\r\nNOTIFY=1\r\nONCALL=hooks/on call\r\n' >>"$folder/Nubrel.ini"

    start_device --kind 0 --number 0312345678 --log "$work/device.log"
    start_program
    until_ok 15 title_is '0312345678' || fail "held number not shown"
    main_window=$(xdotool search --onlyvisible --name '^0312345678$' | head -n 1)
    # Two more exchanges: the held number is passed on to nobody.
    await_exchanges 2 || fail "no more exchanges"
    [ "$(oncalls)" = 0 ] || fail "the command ran for the held number"
    grep -q 'member=GetCapabilities' "$work/notify.log" && fail "asked the desktop about the held number"
    # The lower part of the window's canvas: the second line, where a name goes.
    name_pixels() {
        import -window "$main_window" "$work/window.png" 2>/dev/null &&
            convert "$work/window.png" -gravity South -crop 0x40+0+0 +repage txt:- | grep -ci '#0000FF'
    }
    [ "$(name_pixels)" = 0 ] || fail "a second line without a name"

    # No notification server yet: the call is shown and passed on all the same.
    tell_device 'call 0459998888'
    until_ok 15 title_is '0459998888' || fail "call without a server not shown"
    until_ok 10 test "$(oncalls)" = 1 || fail "the command did not run"
    [ "$(name_pixels)" -gt 50 ] || fail "no name drawn under the number"
    oncall_for 0459998888 | grep -Eqx '\[[0-9]{4}/[0-9]{2}/[0-9]{2}\] \[[0-9]{2}:[0-9]{2}:[0-9]{2}\] \[0459998888\] \[鈴木 花子\] ' ||
        fail "arguments: $(oncall_for 0459998888)"
    until_ok 10 grep -q 'member=GetCapabilities' "$work/notify.log" || fail "the desktop was not asked"
    [ "$(notifies)" = 0 ] || fail "a notification with no server"

    timeout -k 3 60 dunst >"$work/dunst.out" 2>&1 &
    pids+=($!)
    until_ok 10 server_up || fail "no notification server: $(cat "$work/dunst.out")"
    tell_device 'call 0451112222'
    until_ok 15 title_is '0451112222' || fail "call not shown"
    until_ok 10 test "$(oncalls)" = 2 || fail "the command did not run again"
    shot window
    oncall_for 0451112222 | grep -Eqx '\[[0-9/]{10}\] \[[0-9:]{8}\] \[0451112222\] \[<b>山田</b> & 太郎\] ' ||
        fail "arguments: $(oncall_for 0451112222)"
    until_ok 10 test "$(notifies)" = 1 || fail "no notification: $(cat "$work/notify.log")"
    # Summary the number; the body escaped, as this server reads markup.
    [ "$(notification 1)" = 'string "Nubrel"|uint32 0|string "nubrel"|string "0451112222"|string "&lt;b&gt;山田&lt;/b&gt; &amp; 太郎"|' ] ||
        fail "notification: $(notification 1)"

    tell_device withheld
    until_ok 15 title_is '非通知' || fail "withheld call not shown"
    until_ok 10 test "$(oncalls)" = 3 || fail "the command did not run for each call"
    [ "$(oncall_for 99999999999 | cut -d' ' -f3-)" = '[99999999999] [] ' ] || fail "withheld: $(oncall_for 99999999999)"
    [ "$(name_pixels)" = 0 ] || fail "a name left under a withheld call"
    until_ok 10 test "$(notifies)" = 2 || fail "no notification of the withheld call"
    notification 2 | grep -Eqx 'string "Nubrel"\|uint32 [1-9][0-9]*\|string "nubrel"\|string "非通知"\|string ""\|' ||
        fail "the second notification does not replace the first: $(notification 2)"
    stop_program
    [ "$(history_lines | cut -d, -f3 | tr '\n' ' ')" = '0459998888 0451112222 99999999999 ' ] || fail "history: $(history_lines)"
    [ -z "$(log_lines)" ] || fail "log: $(log_lines)"
    pass ;;
kind1_same_number_new_index)
    # Kind 1 numbers its calls: the same number under a new index is a new
    # call; the same index and number is the call already written.
    product='1,TA' write_ini ''
    start_device --kind 1 --number 0312345678 --log "$work/device.log"
    start_program
    until_ok 15 title_is '0312345678' || fail "held number not shown"
    await_exchanges 2 || fail "no more exchanges"
    written() { history_lines | grep -c ',0312345678$'; }
    held=$(written)
    tell_device 'call 0312345678'
    written_is() { [ "$(written)" = "$1" ]; }
    until_ok 15 written_is $((held + 1)) || fail "the call under a new index was not written: $(history_lines)"
    title_is '0312345678' || fail "the call under a new index is not shown"
    await_exchanges 2 || fail "no more exchanges"
    [ "$(written)" = $((held + 1)) ] || fail "the same index was written again: $(history_lines)"
    stop_program
    pass ;;
sigterm_during_third_unanswered)
    write_ini ''
    start_silent_device
    start_program
    until_ok 20 device_heard_count 3 || fail "no third exchange"
    kill -TERM "$program"
    # Watched until the program has gone: no message box on the way out.
    deadline=$((SECONDS + 5))
    while kill -0 "$program" 2>/dev/null && [ $SECONDS -lt $deadline ]; do
        nubrel_windows_visible 'VORDEK' && fail "a message box titled VORDEK during the shut-down"
        sleep 0.05
    done
    ended_within 0 || fail "the program did not end during the third exchange"
    settings_written || fail "settings not written"
    [ "$(log_count)" = 0 ] || fail "log: $(log_lines)"
    pass ;;
stale_lock_after_sigkill)
    start_plain
    kill -KILL "$program"
    wait "$program" 2>/dev/null
    # The lock the killed copy left behind is taken over.
    start_program
    until_ok 15 title_is '準備中' || fail "the start after SIGKILL was refused"
    stop_program
    pass ;;
tray_never_appears)
    # Started into the tray, and no tray comes: the window shows after the wait.
    start_without_tray $'STATE=3\r\n'
    until_ok 15 device_heard_count 1 || fail "the program did not start"
    nubrel_windows_visible 0312345678 && fail "the window showed at once"
    until_ok 45 nubrel_windows_visible 0312345678 || fail "the window never showed"
    shot window
    stop_program
    pass ;;
minimised_and_maximised_restored)
    net_state() { xprop -id "$main_window" _NET_WM_STATE WM_STATE 2>/dev/null | tr -d '\n'; }
    write_ini ''
    start_device --kind 0 --number 0312345678 --log "$work/device.log"
    start_program
    until_ok 15 title_is 0312345678 || fail "no window"
    main_window=$(xdotool search --onlyvisible --name '^0312345678$' | head -n 1)
    xdotool windowminimize --sync "$main_window" || fail "cannot minimise"
    # The next exchange: the program has taken in the change by then.
    await_exchanges 1 || fail "no exchange"
    stop_program
    ini_text | tr -d '\r' | grep -qx 'STATE=1' || fail "STATE 1 not written: $(ini_text)"
    start_program
    until_ok 15 title_is 0312345678 || fail "no window"
    main_window=$(xdotool search --name '^0312345678$' | head -n 1)
    until_ok 10 sh -c "xprop -id $main_window WM_STATE | grep -q Iconic" || fail "not minimised at the start: $(net_state)"
    xdotool windowactivate --sync "$main_window" key --clearmodifiers alt+F10
    until_ok 10 sh -c "xprop -id $main_window _NET_WM_STATE | grep -q MAXIMIZED_HORZ" || fail "cannot maximise: $(net_state)"
    await_exchanges 1 || fail "no exchange"
    stop_program
    ini_text | tr -d '\r' | grep -qx 'STATE=2' || fail "STATE 2 not written: $(ini_text)"
    start_program
    until_ok 15 title_is 0312345678 || fail "no window"
    main_window=$(xdotool search --onlyvisible --name '^0312345678$' | head -n 1)
    until_ok 10 sh -c "xprop -id $main_window _NET_WM_STATE | grep -q MAXIMIZED_HORZ" || fail "not maximised at the start: $(net_state)"
    stop_program
    pass ;;
sigint_and_sighup_shut_down)
    start_device --kind 0
    for sig in INT HUP; do
        write_ini ''
        start_program
        until_ok 15 title_is '準備中' || fail "no window"
        stop_program "$sig"
        settings_written || fail "SIG$sig: settings not written"
    done
    pass ;;
ncid_call_to_two_clients)
    # Nubrel as the household's server: a call from the device reaches both
    # clients, after a start-up that had no history to send.
    port=$(ncid_peer port)
    write_ini ''
    add_ncid_section "LISTEN=$port" 'LINE=自宅'
    start_device --kind 0 --number 0312345678
    start_program
    until_ok 15 title_is '0312345678' || fail "held number not shown"
    for n in 1 2; do start_ncid_peer client "$port" "$work/client$n"; done
    for n in 1 2; do
        until_ok 10 grep -q '^300 End of connection startup' "$work/client$n" || fail "client $n: no start-up: $(cat "$work/client$n" 2>/dev/null)"
    done
    tell_device 'call 0451112222'
    until_ok 15 title_is '0451112222' || fail "new call not shown"
    for n in 1 2; do
        until_ok 10 grep -q '^CID: ' "$work/client$n" || fail "client $n: no call"
        lines=$(tr -d '\r' <"$work/client$n")
        printf '%s\n' "$lines" | head -n 4 | tr '\n' '|' | grep -Eq '^200 Server: Nubrel [0-9.]+\|210 API: 1.0 Feature Set 1\|253 No Call log\|300 End of connection startup\|$' || fail "client $n start-up: $lines"
        printf '%s\n' "$lines" | grep -Eq '^CID: \*DATE\*[0-9]{8}\*TIME\*[0-9]{4}\*LINE\*自宅\*NMBR\*0451112222\*MESG\*NONE\*NAME\*NO NAME\*$' || fail "client $n call: $lines"
        [ "$(printf '%s\n' "$lines" | grep -c '^CID: ')" = 1 ] || fail "client $n: the held number was served: $lines"
    done
    shot window
    stop_program
    pass ;;
ncid_source_call_shown)
    # Nubrel as a client of an NCID server: the device is never asked, the
    # server's history is no call, and its call is shown and written.
    port=$(ncid_peer port)
    write_ini ''
    add_ncid_section "SOURCE=127.0.0.1:$port"
    start_silent_device
    start_ncid_peer server "$port" "$work/serve"
    start_program
    until_ok 15 title_is '準備中' || fail "no window"
    # The call comes behind the server's history on the same connection: had
    # the history been taken for a call, it would be written first.
    printf 'CID: *DATE*12082026*TIME*1200*LINE*-*NMBR*+81-45-111-2222*MESG*NONE*NAME*YAMADA*\r\n' >"$work/serve.tmp"
    mv "$work/serve.tmp" "$work/serve"
    until_ok 15 title_is '0451112222' || fail "the server's call not shown"
    until_ok 5 sh -c "iconv -f CP932 -t UTF-8 '$folder/着信履歴.TXT' | grep -Eq '^[0-9/]{10},[0-9:]{8},0451112222'" || fail "not written: $(history_lines)"
    [ "$(history_lines | cut -d, -f3 | tr '\n' ' ')" = '0451112222 ' ] || fail "the server's history was taken for a call: $(history_lines)"
    shot window
    ! grep -q '^recv ' "$work/device.log" 2>/dev/null || fail "the device was asked: $(cat "$work/device.log")"
    stop_program
    pass ;;
*) fail "unknown case $case_name" ;;
esac

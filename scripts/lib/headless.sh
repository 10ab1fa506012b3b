# Shared by the scripts that drive the program without a desktop: waiting for
# a condition with a deadline, and a private X display with a tray host.
# Source it; the caller keeps the started processes in the array `pids`.
#
# NUBREL_DESKTOP picks the desktop: "icewm" (the default) is window manager
# and XEmbed tray in one; "xfce" is icewm as window manager only, with
# xfce4-panel's status tray as StatusNotifier host on a private D-Bus session.

# stop_started: ends every process the caller started and waits for them.
stop_started() {
    local p
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
    wait 2>/dev/null || true
}

# until_ok SECONDS COMMAND...: true once COMMAND succeeds, false at the deadline.
until_ok() {
    local deadline=$((SECONDS + $1)); shift
    while [ $SECONDS -lt $deadline ]; do
        "$@" >/dev/null 2>&1 && return 0
        sleep 0.1
    done
    return 1
}

headless_here=$(dirname "${BASH_SOURCE[0]}")

# start_headless_display FIRST LAST SECONDS CONFIG_DIR: Xvfb on the first free
# display in FIRST..LAST with the desktop and its tray host, all ending after
# SECONDS at the latest; exports DISPLAY. False when any did not come up.
start_headless_display() {
    start_bare_display "$@" && start_tray_host
}

# start_bare_display FIRST LAST SECONDS CONFIG_DIR: the same without a tray
# host (and, on icewm, without a window manager) until start_tray_host.
start_bare_display() {
    local first=$1 last=$2 n
    headless_lifetime=$3
    headless_config=$4
    for n in $(seq "$first" "$last"); do
        [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ] && continue
        export DISPLAY=:$n
        break
    done
    timeout -k 3 "$headless_lifetime" Xvfb "$DISPLAY" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    pids+=($!)
    until_ok 10 xdpyinfo || return 1
    mkdir -p "$headless_config"
    # Title bars and task buttons in a face with Japanese glyphs.
    printf '%s\n' 'TitleFontNameXft="IPAPGothic:size=10"' 'NormalTaskBarFontNameXft="IPAPGothic:size=10"' \
        'ActiveTaskBarFontNameXft="IPAPGothic:size=10:bold"' >"$headless_config/preferences"
    [ "${NUBREL_DESKTOP:-icewm}" = xfce ] || return 0

    # The panel's layout: one panel along the bottom with the status tray only.
    local xml=$headless_config/xdg/xfce4/xfconf/xfce-perchannel-xml
    mkdir -p "$xml"
    cp "$headless_here/xfce4-panel.xml" "$xml/"
    echo 'ShowTaskBar=0' >>"$headless_config/preferences"
    # The settings daemon the panel reads is started by the bus: give it the layout.
    eval "$(XDG_CONFIG_HOME=$headless_config/xdg dbus-launch --sh-syntax)"
    export DBUS_SESSION_BUS_ADDRESS
    pids+=("$DBUS_SESSION_BUS_PID")
    export NO_AT_BRIDGE=1
    ICEWM_PRIVCFG=$headless_config timeout -k 3 "$headless_lifetime" icewm >/dev/null 2>&1 &
    pids+=($!)
}

# start_tray_host: the desktop's tray host, once it is ready for icons.
start_tray_host() {
    if [ "${NUBREL_DESKTOP:-icewm}" = xfce ]; then
        timeout -k 3 "$headless_lifetime" xfce4-panel >/dev/null 2>&1 &
        tray_host=$!
        pids+=($tray_host)
        until_ok 20 status_notifier_host_ready || return 1
    else
        ICEWM_PRIVCFG=$headless_config timeout -k 3 "$headless_lifetime" icewm >/dev/null 2>&1 &
        tray_host=$!
        pids+=($tray_host)
    fi
    # The tray host must own the tray selection before the program asks for it.
    until_ok 15 "$headless_here/../../tests/e2e/tray_ready.py"
}

# stop_tray_host: ends the tray host (on icewm, the window manager with it).
stop_tray_host() {
    kill "$tray_host" 2>/dev/null
    until_ok 10 sh -c "! '$headless_here/../../tests/e2e/tray_ready.py'"
}

status_notifier_host_ready() {
    dbus-send --session --print-reply --dest=org.kde.StatusNotifierWatcher /StatusNotifierWatcher \
        org.freedesktop.DBus.Properties.Get string:org.kde.StatusNotifierWatcher \
        string:IsStatusNotifierHostRegistered 2>/dev/null | grep -q 'boolean true'
}

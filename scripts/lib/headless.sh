# Shared by the scripts that drive the program without a desktop: waiting for
# a condition with a deadline, and a private X display with a tray host.
# Source it; the caller keeps the started processes in the array `pids`.

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

# start_headless_display FIRST LAST SECONDS CONFIG_DIR: Xvfb on the first free
# display in FIRST..LAST and icewm as window manager and tray host, both ending
# after SECONDS at the latest; exports DISPLAY. False when either did not come up.
start_headless_display() {
    local first=$1 last=$2 lifetime=$3 config=$4 n here
    here=$(dirname "${BASH_SOURCE[0]}")
    for n in $(seq "$first" "$last"); do
        [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ] && continue
        export DISPLAY=:$n
        break
    done
    timeout -k 3 "$lifetime" Xvfb "$DISPLAY" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    pids+=($!)
    until_ok 10 xdpyinfo || return 1
    # Title bars and task buttons in a face with Japanese glyphs.
    mkdir -p "$config"
    printf '%s\n' 'TitleFontNameXft="IPAPGothic:size=10"' 'NormalTaskBarFontNameXft="IPAPGothic:size=10"' \
        'ActiveTaskBarFontNameXft="IPAPGothic:size=10:bold"' >"$config/preferences"
    ICEWM_PRIVCFG=$config timeout -k 3 "$lifetime" icewm >/dev/null 2>&1 &
    pids+=($!)
    # The tray host must own the tray selection before the program asks for it.
    until_ok 15 "$here/../../tests/e2e/tray_ready.py"
}

#!/usr/bin/env bash
# Installs what is missing, builds, and starts Nubrel on the simulated device,
# which takes a call every few seconds. On a desktop the program appears there;
# without a display it runs under Xvfb with a tray host and leaves screenshots.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh run build demo

cmake --preset release -DNUBREL_TESTS=OFF >/dev/null
cmake --build --preset release -j2
demo=${NUBREL_DEMO_DIR:-$(mktemp -d /tmp/nubrel-demo-XXXXXX)}
cmake --install build/release --prefix "$demo/Nubrel" >/dev/null
sim=build/release/tools/modemsim/modemsim

# Point port 2 at the simulated device and poll every two seconds.
python3 - "$demo/Nubrel/Nubrel.ini" "$demo/modem" <<'PY'
import sys
path, device = sys.argv[1], sys.argv[2]
data = open(path, 'rb').read().decode('cp932')
data = data.replace('TIMER=10', 'TIMER=2')
data = data.rstrip('\r\n') + '\r\n[PORTS]\r\nCOM2=' + device + '\r\n'
open(path, 'wb').write(data.encode('cp932'))
PY

pids=()
. scripts/lib/headless.sh
trap stop_started EXIT

"$sim" --kind 0 --link "$demo/modem" --auto 6 --number 0312345678 >"$demo/modemsim.out" &
pids+=($!)
for _ in $(seq 50); do [ -e "$demo/modem" ] && break; sleep 0.1; done

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ -z "${NUBREL_DEMO_HEADLESS:-}" ]; then
    echo "Nubrel runs on your desktop; the simulated device takes a call every 6 seconds."
    echo "History: $demo/Nubrel/着信履歴.TXT   (close the window to end the demo)"
    "$demo/Nubrel/nubrel"
    exit 0
fi

start_headless_display 90 130 300 "$demo/icewm" || { echo "demo: no display with a tray host" >&2; exit 1; }
"$demo/Nubrel/nubrel" &
nubrel=$!
pids+=($nubrel)

titled_with_call() { xdotool search --onlyvisible --name '^[0-9]+$|^非通知$'; }
popup_visible() {
    local w
    for w in $(xdotool search --onlyvisible --class nubrel 2>/dev/null); do
        eval "$(xdotool getwindowgeometry --shell "$w")"
        [ "$WIDTH" -ge 70 ] && [ "$Y" -ge 500 ] && return 0
    done
    return 1
}
shot() { import -window root "$demo/$1.png"; echo "screenshot: $demo/$1.png"; }

# The held number first, then the device's own calls every 6 seconds.
until_ok 30 titled_with_call || echo "demo: no call shown yet"
sleep 7
shot main-window
window=$(titled_with_call | head -n 1 || true)
# Into the tray from the window's own menu: Alt+E, then T.
if [ -n "$window" ]; then
    xdotool windowactivate --sync "$window" key --clearmodifiers alt+e t 2>/dev/null || true
fi
until_ok 5 sh -c '! xdotool search --onlyvisible --name "^[0-9]+$|^非通知$"' || true
shot tray
# The next call pops up at the bottom right for one tick.
if until_ok 20 popup_visible; then shot popup; else echo "demo: no pop-up seen"; fi
kill -TERM "$nubrel"
wait "$nubrel" || true
echo
echo "History lines written ($demo/Nubrel/着信履歴.TXT):"
iconv -f CP932 -t UTF-8 "$demo/Nubrel/着信履歴.TXT" 2>/dev/null || echo "(none yet)"

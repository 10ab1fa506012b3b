# Shared by the scripts that run the Windows program and its tests under Wine:
# a Wine prefix of the run's own, made at the start, with code page 932, and
# one Wine server for the whole run, kept up and warm so each start is quick.
# Source it, then call start_wine DIR; stop_wine at the end.
#
# Facts this relies on: an i686 program in a prefix without 32-bit support
# exits 0 without running (judge what it did, never its exit code); COMn is
# mapped to a path through HKLM\Software\Wine\Ports before the first start,
# since Wine rewrites dosdevices links at every start.

# The ja_JP.UTF-8 locale gives Wine its ANSI code page 932; made privately
# (LOCPATH) when the system lacks it and may not be changed.
wine_locale() {
    if locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
        return 0
    fi
    local dir=$1/locale
    mkdir -p "$dir"
    localedef -i ja_JP -f UTF-8 "$dir/ja_JP.UTF-8" 2>/dev/null || [ -d "$dir/ja_JP.UTF-8" ] || return 1
    export LOCPATH=$dir
}

# Whether this kernel runs 32-bit programs at all: some (virtual) machines
# are built without it, and then Wine's 32-bit loader, which Debian's `wine`
# always picks once wine32 is installed, fails with "Exec format error" for
# 64-bit programs too.
wine_runs_32bit() {
    [ -x /usr/lib/wine/wine ] && /usr/lib/wine/wine --version >/dev/null 2>&1
}

# The preset whose programs this machine's Wine can run: the shipped 32-bit
# one where it can, the 64-bit one of the same code where it cannot.
wine_preset() {
    if wine_runs_32bit; then echo windows-i686; else echo windows-x86_64; fi
}

# start_wine DIR: a new prefix in DIR/prefix, its server kept running.
start_wine() {
    local dir=$1
    mkdir -p "$dir"
    if ! wine_runs_32bit; then
        # `wine` (for the scripts and ctest's emulator) and `wine-stable` (for
        # Wine's own tools: wineboot, winepath) are the 64-bit loader itself.
        mkdir -p "$dir/bin"
        local name
        for name in wine wine-stable; do
            printf '#!/bin/sh\nexec /usr/lib/wine/wine64 "$@"\n' >"$dir/bin/$name"
            chmod +x "$dir/bin/$name"
        done
        export PATH=$dir/bin:$PATH WINELOADER=/usr/lib/wine/wine64
    fi
    wine_locale "$dir" || { echo "wine.sh: no ja_JP.UTF-8 locale" >&2; return 1; }
    export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8
    export WINEPREFIX=$dir/prefix
    export WINEDLLOVERRIDES="mscoree,mshtml="
    export WINEDEBUG=-all
    export WINEARCH=win64
    timeout -k 5 300 wineboot -i >/dev/null 2>&1 || return 1
    # Then a server kept running, so every later start finds it: the one the
    # prefix was made with ends first (a second would not start).
    wineserver -w >/dev/null 2>&1
    wineserver -p >/dev/null 2>&1 || return 1
    # Warm: the first start loads what every later one needs.
    timeout -k 5 60 wine cmd /c exit >/dev/null 2>&1 || true
    wine_ready=1
}

# wine_map_port N PATH: COMn is PATH (a pseudo-terminal or a link to one,
# which need not exist yet). Wine reads the mapping when its server starts:
# the server is started again, and warmed again.
wine_map_port() {
    wine reg add 'HKLM\Software\Wine\Ports' /v "COM$1" /t REG_SZ /d "$2" /f >/dev/null 2>&1 || return 1
    wineserver -k >/dev/null 2>&1
    wineserver -w >/dev/null 2>&1
    wineserver -p >/dev/null 2>&1 || return 1
    timeout -k 5 60 wine cmd /c exit >/dev/null 2>&1 || true
}

# wine_path UNIXPATH: the path as the Windows program sees it.
wine_path() {
    winepath -w "$1" 2>/dev/null
}

stop_wine() {
    [ -n "${wine_ready:-}" ] || return 0
    wineserver -k >/dev/null 2>&1 || true
    wine_ready=
}

# The programs the test scripts and the tests they run call. Source it; a
# script that needs them calls require_tools before it starts anything, so a
# missing one ends the run at once with its name instead of dropping the
# cases that use it.

# Building and checking the Linux program, and its cases on a headless desktop.
linux_test_tools=(cmake ctest c++ clang-format readelf git
    Xvfb xvfb-run xdpyinfo xprop xdotool icewm xfce4-panel dunst
    import convert identify python3 iconv md5sum setpriv desktop-file-validate
    dbus-launch dbus-daemon dbus-run-session dbus-monitor dbus-send)
# The Windows program: its cross compilers and Wine to run it and its tests.
windows_test_tools=(i686-w64-mingw32-g++-posix x86_64-w64-mingw32-g++-posix
    i686-w64-mingw32-objdump x86_64-w64-mingw32-objdump wine wineserver wineboot
    Xvfb xdpyinfo xdotool icewm import python3 iconv makensis)
# The Debian package: built, checked and installed.
package_test_tools=(dpkg-buildpackage dh fakeroot lintian appstreamcli desktop-file-validate
    apt-get dpkg setpriv Xvfb xdotool)

# require_tools WHO TOOL...: true when every TOOL is on PATH; otherwise says
# which are missing and how to get them, and is false.
require_tools() {
    local who=$1 tool missing=()
    shift
    for tool in "$@"; do
        [[ " ${missing[*]} " == *" $tool "* ]] && continue
        command -v "$tool" >/dev/null 2>&1 || missing+=("$tool")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "$who: missing on PATH: ${missing[*]} (scripts/install-deps.sh test installs them)" >&2
    return 1
}

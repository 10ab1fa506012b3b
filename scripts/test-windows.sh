#!/usr/bin/env bash
# The Windows program's tests under Wine: the logic's tests and the Win32
# implementations' own, cross-built for i686 (x86_64 where the kernel runs no
# 32-bit program) and run by ctest through Wine,
# then the installed program end to end against the simulated device.
#   test-windows.sh [MODEMSIM]   (the simulated device from a Linux build;
#                                 build/debug's by default)
set -euo pipefail
cd "$(dirname "$0")/.."
modemsim=${1:-build/debug/tools/modemsim/modemsim}
[ -x "$modemsim" ] || { echo "test-windows.sh: no simulated device at $modemsim" >&2; exit 1; }

. scripts/lib/headless.sh
. scripts/lib/wine.sh
. scripts/lib/tools.sh
require_tools test-windows.sh "${windows_test_tools[@]}" || exit 1
# The shipped program is the 32-bit one; a kernel that runs no 32-bit program
# gets the same code built for 64 bits, and says so.
preset=$(wine_preset)
[ "$preset" = windows-i686 ] ||
    echo "test-windows.sh: this kernel runs no 32-bit programs; testing the $preset build under wine64"
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset"
# The setup program of the same build: the shipped one's script with the stub
# of this build's Windows.
cmake --build --preset "$preset" --target nubrel_setup
# Where the shipped 32-bit program cannot run, it and its setup program are
# still built, warnings as errors, so what ships always compiles.
if [ "$preset" != windows-i686 ]; then
    cmake --preset windows-i686 >/dev/null
    cmake --build --preset windows-i686 --target nubrel_exe nubrel_setup
    echo "windows-i686 Nubrel.exe: $(stat -c %s build/windows-i686/Nubrel.exe) bytes (built, not run)"
fi
build=build/$preset
objdump=i686-w64-mingw32-objdump
[ "$preset" = windows-i686 ] || objdump=x86_64-w64-mingw32-objdump
# The executable stays small and needs nothing beyond Windows' own DLLs.
imports=$($objdump -p "$build/Nubrel.exe" | awk '/DLL Name:/ { print $3 }' | sort -u | tr '\n' ' ')
echo "Nubrel.exe: $(stat -c %s "$build/Nubrel.exe") bytes, imports $imports"
for dll in $imports; do
    case ${dll,,} in
    kernel32.dll | user32.dll | gdi32.dll | shell32.dll | comdlg32.dll | msvcrt.dll | advapi32.dll | ws2_32.dll | ole32.dll) ;;
    *) echo "test-windows.sh: Nubrel.exe imports $dll" >&2; exit 1 ;;
    esac
done

# One display and one Wine server for the whole run, on display numbers no
# other script uses, so a later run never meets this one's server going away: Wine's desktop process
# stays on the display it first met, and COM2's mapping is read when the
# server starts, so it is made before anything else runs.
run=$(mktemp -d /tmp/nubrel-wine-XXXXXX)
pids=()
cleanup() {
    stop_wine
    stop_started
    rm -rf "$run"
}
trap cleanup EXIT
start_headless_display 140 160 3600 "$run/desktop" || { echo "test-windows.sh: no display" >&2; exit 1; }
start_wine "$run/wine" || { echo "test-windows.sh: no Wine prefix" >&2; exit 1; }
wine_map_port 2 "$run/modem" || { echo "test-windows.sh: COM2 not mapped" >&2; exit 1; }
# COM3: a second device for the settings dialog's change of port.
wine_map_port 3 "$run/modem3" || { echo "test-windows.sh: COM3 not mapped" >&2; exit 1; }

# The serial port's tests start the simulated device on COM2's path themselves.
device_program=$(realpath "$modemsim")
(cd "$build" && NUBREL_WINE_DEVICE=$run/modem NUBREL_MODEMSIM=$device_program \
    ctest --output-on-failure --timeout 300)

# Where the shipped 32-bit program is the one tested, the 64-bit build's logic
# runs too (under wine64, in the same prefix): a fault only one word size
# shows is found either way. Its logic and unit tests only: no end-to-end run.
if [ "$preset" = windows-i686 ]; then
    cmake --preset windows-x86_64 >/dev/null
    cmake --build --preset windows-x86_64 --target nubrel_unit_tests nubrel_ncid_tests
    (cd build/windows-x86_64 && ctest --output-on-failure --timeout 300 -R '^nubrel_(unit|ncid)_tests$')
fi

prefix=$build/e2e/Nubrel
rm -rf "$prefix"
cmake --install "$build" --prefix "$prefix" >/dev/null
setup=$(ls "$build"/Nubrel-*-setup.exe)
echo "$(basename "$setup"): $(stat -c %s "$setup") bytes"
NUBREL_WINE_DEVICE=$run/modem NUBREL_TRAY_HOST=$tray_host NUBREL_DESKTOP_CONFIG=$run/desktop \
    NUBREL_ARGV_ECHO=$build/tests/nubrel_argv_echo.exe NUBREL_SETUP=$setup \
    tests/e2e/wine_e2e.sh "$prefix" "$modemsim" "$build/e2e/screenshots"

#!/usr/bin/env bash
# Installs what is missing, builds every configuration CI checks and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
# Every tool any test calls, before anything is built: a missing one ends the
# run here, by name, and never drops the cases that need it.
. scripts/lib/tools.sh
require_tools test.sh "${linux_test_tools[@]}" "${windows_test_tools[@]}" \
    "${package_test_tools[@]}" || {
    echo "test.sh: without Wine and the cross compilers, the Linux tests alone run with" \
        "cmake --preset debug && cmake --build --preset debug -j2 && ctest --preset debug" >&2
    exit 1
}

jobs=2
run_suite() {
    local preset=$1
    # Every test must run: a tool a test needs that is missing stops the configure.
    cmake --preset "$preset" -DNUBREL_ALL_TESTS=ON >/dev/null
    cmake --build --preset "$preset" -j"$jobs"
    ctest --preset "$preset" -j"$jobs" --timeout 600
}

# The logic and its tests build and pass with Qt not even looked for, and the
# core's test program links nothing of Qt.
run_suite core-only
if readelf -d build/core-only/tests/nubrel_unit_tests | grep -q 'libQt6'; then
    echo "test.sh: the core's tests link Qt" >&2
    exit 1
fi
# Formatting of the checked-in code.
git ls-files -- '*.cpp' '*.h' | xargs clang-format --dry-run --Werror
run_suite debug
# The Windows program, its tests under Wine and its cases end to end against
# the simulated device of the debug build.
scripts/test-windows.sh build/debug/tools/modemsim/modemsim
# The Debian package: built, checked by lintian, installed and removed; and
# installed again, its program run by a user on the simulated device.
tests/package/deb_test.sh
tests/package/deb_run_test.sh build/debug/tools/modemsim/modemsim
# The whole suite again under the address and undefined-behaviour sanitizers.
run_suite asan
# The fuzz targets, briefly, from their seeds.
scripts/fuzz.sh 20
# A short soak of the program against the simulated device.
scripts/soak.sh 2 --build-dir build/debug

#!/usr/bin/env bash
# The Windows program on a Debian 12 machine: installs the cross compilers and
# NSIS if they are missing, builds the 32-bit release and packs the program
# folder as build/windows-i686/Nubrel-<version>-win32.zip and as the setup
# program build/windows-i686/Nubrel-<version>-setup.exe.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh windows
cmake --preset windows-i686 -DNUBREL_TESTS=OFF >/dev/null
cmake --build --preset windows-i686
cmake --build --preset windows-i686 --target nubrel_zip nubrel_setup
ls -l build/windows-i686/Nubrel-*-win32.zip build/windows-i686/Nubrel-*-setup.exe

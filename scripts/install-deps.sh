#!/usr/bin/env bash
# Installs what Nubrel needs on Debian 12, by group; with no group, all of them.
#   run    Qt's runtime libraries, Qt's Japanese texts and a Japanese face
#   build  a C++ compiler, CMake and Qt's development files
#   demo   a headless desktop for the demo (Xvfb, icewm, xdotool, ImageMagick)
#   test   everything the tests, the sanitizer build, the fuzzers and the
#          benchmarks use
# Only what is missing is installed: as root directly, otherwise through sudo,
# which then asks for the password.
set -euo pipefail

run=(libqt6widgets6 libqt6serialport6 libqt6dbus6 qt6-qpa-plugins
    qt6-image-formats-plugins qt6-translations-l10n fonts-ipafont-gothic)
build=(build-essential cmake ninja-build pkg-config
    qt6-base-dev qt6-serialport-dev libgl1-mesa-dev)
demo=(xvfb x11-utils xdotool icewm imagemagick xauth)
test=(git libgtest-dev libgmock-dev googletest libbenchmark-dev
    clang-format clang-14 libclang-rt-14-dev
    xfce4-panel dbus-x11 libsm-dev libice-dev dunst)

groups=("$@")
[ ${#groups[@]} -gt 0 ] || groups=(run build demo test)
packages=()
for g in "${groups[@]}"; do
    case $g in
    run) packages+=("${run[@]}") ;;
    build) packages+=("${build[@]}") ;;
    demo) packages+=("${demo[@]}") ;;
    test) packages+=("${run[@]}" "${build[@]}" "${demo[@]}" "${test[@]}") ;;
    *) echo "install-deps: unknown group $g (run, build, demo, test)" >&2; exit 2 ;;
    esac
done

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
    echo "install-deps: everything is installed"
    exit 0
fi

if [ "$(id -u)" -eq 0 ]; then
    as_root=()
elif command -v sudo >/dev/null 2>&1; then
    as_root=(sudo)
    echo "install-deps: sudo is asked for to install ${missing[*]}"
else
    echo "install-deps: run as root or install sudo; missing: ${missing[*]}" >&2
    exit 1
fi
echo "install-deps: installing ${missing[*]}"
"${as_root[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"

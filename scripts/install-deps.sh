#!/usr/bin/env bash
# Installs what Nubrel needs on Debian 12, by group; with no group, all of them.
#   run    Qt's runtime libraries, Qt's Japanese texts and a Japanese face
#   build  a C++ compiler, CMake and Qt's development files
#   demo   a headless desktop for the demo (Xvfb, icewm, xdotool, ImageMagick)
#   windows  the mingw-w64 cross compilers, zip and NSIS for the Windows
#          program and its setup program, and Wine (32- and 64-bit, with a
#          Japanese locale) to run them and the tests
#   deb    what building and checking the Debian package needs
#   test   everything the tests, the sanitizer build, the fuzzers and the
#          benchmarks use, the Windows ones included
# Only what is missing is installed: as root directly, otherwise through sudo,
# which then asks for the password.
set -euo pipefail

run=(libqt6widgets6 libqt6serialport6 libqt6dbus6 libqt6network6 qt6-qpa-plugins
    qt6-image-formats-plugins qt6-translations-l10n fonts-ipafont-gothic)
build=(build-essential cmake ninja-build pkg-config
    qt6-base-dev qt6-serialport-dev libgl1-mesa-dev)
demo=(xvfb x11-utils xdotool icewm imagemagick xauth)
test=(git libgtest-dev libgmock-dev googletest libbenchmark-dev
    clang-format clang-14 libclang-rt-14-dev
    xfce4-panel dbus-x11 libsm-dev libice-dev dunst desktop-file-utils
    at-spi2-core python3-gi gir1.2-atspi-2.0)
windows=(g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix zip nsis
    wine wine64 wine32:i386 locales)
deb=(dpkg-dev debhelper fakeroot lintian appstream desktop-file-utils)

groups=("$@")
[ ${#groups[@]} -gt 0 ] || groups=(run build demo test windows deb)
packages=()
for g in "${groups[@]}"; do
    case $g in
    run) packages+=("${run[@]}") ;;
    build) packages+=("${build[@]}") ;;
    demo) packages+=("${demo[@]}") ;;
    windows) packages+=("${windows[@]}") ;;
    deb) packages+=("${deb[@]}") ;;
    test) packages+=("${run[@]}" "${build[@]}" "${demo[@]}" "${test[@]}" "${windows[@]}" "${deb[@]}") ;;
    *) echo "install-deps: unknown group $g (run, build, demo, test, windows, deb)" >&2; exit 2 ;;
    esac
done

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
# Wine's ANSI code page is 932 only in a Japanese locale.
needs_locale=
if printf '%s\n' "${packages[@]}" | grep -qx locales &&
    ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
    needs_locale=1
fi
if [ ${#missing[@]} -eq 0 ] && [ -z "$needs_locale" ]; then
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
if [ ${#missing[@]} -gt 0 ]; then
    echo "install-deps: installing ${missing[*]}"
    # The 32-bit Wine comes from the i386 architecture.
    if printf '%s\n' "${missing[@]}" | grep -q ':i386$' && ! dpkg --print-foreign-architectures | grep -qx i386; then
        "${as_root[@]}" dpkg --add-architecture i386
    fi
    "${as_root[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
if [ -n "$needs_locale" ]; then
    echo "install-deps: making the ja_JP.UTF-8 locale"
    "${as_root[@]}" localedef -i ja_JP -f UTF-8 ja_JP.UTF-8
fi

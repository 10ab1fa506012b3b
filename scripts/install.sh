#!/usr/bin/env bash
# Builds Nubrel in Release and installs it as a per-user program folder
# (default ~/Nubrel) with a desktop menu entry and, with --autostart, an entry
# that starts it at login. An existing Nubrel.ini, history and log stay as they
# are; new product entries of the shipped settings file are merged in.
#   scripts/install.sh [--prefix DIR] [--autostart] [--build-dir DIR]
# (--build-dir installs from a tree that is already built, without building.)
set -euo pipefail

prefix=$HOME/Nubrel
autostart=0
build=
while [ $# -gt 0 ]; do
    case $1 in
    --prefix) prefix=$2; shift 2 ;;
    --autostart) autostart=1; shift ;;
    --build-dir) build=$2; shift 2 ;;
    -h | --help) sed -n '2,8p' "$0"; exit 0 ;;
    *) echo "install: unknown option $1" >&2; exit 2 ;;
    esac
done
# Absolute before anything changes directory: the menu entry must start the
# program from anywhere, and uninstall must find it again.
prefix=$(realpath -m -- "$prefix")
[ -z "$build" ] || build=$(realpath -m -- "$build")
cd "$(dirname "$0")/.."

if [ -z "$build" ]; then
    # What building and running need; no test tools.
    scripts/install-deps.sh run build
    cmake --preset release -DNUBREL_TESTS=OFF >/dev/null
    cmake --build --preset release -j2
    build=build/release
fi

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
cmake --install "$build" --prefix "$stage" >/dev/null

mkdir -p "$prefix"
for f in "$stage"/*; do
    name=$(basename "$f")
    if [ "$name" = Nubrel.ini ] && [ -f "$prefix/Nubrel.ini" ]; then
        "$build/tools/iniupdate/nubrel-iniupdate" "$stage" "$prefix"
        continue
    fi
    # Replace through a temporary name, so a running copy keeps its old file.
    cp -f "$f" "$prefix/.$name.new" && mv -f "$prefix/.$name.new" "$prefix/$name"
done

apps=${XDG_DATA_HOME:-$HOME/.local/share}/applications
icons=${XDG_DATA_HOME:-$HOME/.local/share}/icons/hicolor
mkdir -p "$apps" "$icons/48x48/apps" "$icons/32x32/apps" "$icons/16x16/apps"
for size in 16 32 48; do
    cp -f "resources/nubrel-$size.png" "$icons/${size}x${size}/apps/nubrel.png"
done
entry() {
    cat <<DESKTOP
[Desktop Entry]
Type=Application
Name=Nubrel
Name[ja]=ナンバーディスプレー Nubrel
GenericName=Caller ID display
GenericName[ja]=着信番号表示
Comment=Shows the number of the caller on the telephone line
Comment[ja]=電話の着信番号を表示します
Exec="$prefix/nubrel"
Path=$prefix
Icon=nubrel
Terminal=false
Categories=Utility;Telephony;
StartupNotify=false
DESKTOP
}
entry >"$apps/nubrel.desktop"
if [ $autostart = 1 ]; then
    autostart_dir=${XDG_CONFIG_HOME:-$HOME/.config}/autostart
    mkdir -p "$autostart_dir"
    { entry; echo "X-GNOME-Autostart-enabled=true"; } >"$autostart_dir/nubrel.desktop"
fi
command -v update-desktop-database >/dev/null 2>&1 && update-desktop-database "$apps" 2>/dev/null || true

echo "Nubrel installed in $prefix"
echo "Menu entry: $apps/nubrel.desktop"
[ $autostart = 1 ] && echo "Starts at login: ${XDG_CONFIG_HOME:-$HOME/.config}/autostart/nubrel.desktop"
exit 0

#!/usr/bin/env bash
# Removes Nubrel and its menu and autostart entries. The settings file, the call
# history and the log stay unless --purge is given.
#   scripts/uninstall.sh [--prefix DIR] [--purge]
set -euo pipefail
prefix=$HOME/Nubrel
purge=0
while [ $# -gt 0 ]; do
    case $1 in
    --prefix) prefix=$2; shift 2 ;;
    --purge) purge=1; shift ;;
    -h | --help) sed -n '2,4p' "$0"; exit 0 ;;
    *) echo "uninstall: unknown option $1" >&2; exit 2 ;;
    esac
done
prefix=$(realpath -m -- "$prefix")

rm -f "${XDG_DATA_HOME:-$HOME/.local/share}/applications/nubrel.desktop" \
      "${XDG_CONFIG_HOME:-$HOME/.config}/autostart/nubrel.desktop"
for size in 16 32 48; do
    rm -f "${XDG_DATA_HOME:-$HOME/.local/share}/icons/hicolor/${size}x${size}/apps/nubrel.png"
done
if [ -d "$prefix" ]; then
    rm -f "$prefix/nubrel" "$prefix/PhoneA.Ico" "$prefix/PhoneB.Ico" "$prefix/説明書.html"
    if [ $purge = 1 ]; then
        rm -f "$prefix/Nubrel.ini" "$prefix/着信履歴.TXT" "$prefix/Nubrel.log"
    fi
    rmdir "$prefix" 2>/dev/null || echo "Kept your files in $prefix (settings, history, log)"
fi
echo "Nubrel removed"

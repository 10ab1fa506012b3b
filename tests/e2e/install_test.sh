#!/usr/bin/env bash
# Install, reinstall over the user's files, autostart entry, uninstall and purge,
# all in a throw-away home folder.
set -uo pipefail
export LC_ALL=C
build=${1:?build dir}
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
home=$(mktemp -d /tmp/nubrel-install-XXXXXX)
trap 'rm -rf "$home"' EXIT
export HOME=$home XDG_DATA_HOME=$home/share XDG_CONFIG_HOME=$home/config
fail() { echo "FAIL: $*" >&2; exit 1; }
install() { "$source_dir/scripts/install.sh" --build-dir "$build" "$@" >"$home/install.out" 2>&1 ||
    fail "install: $(cat "$home/install.out")"; }
prefix=$home/Nubrel
menu=$XDG_DATA_HOME/applications/nubrel.desktop
autostart=$XDG_CONFIG_HOME/autostart/nubrel.desktop

install
for f in nubrel Nubrel.ini PhoneA.Ico PhoneB.Ico 説明書.html; do
    [ -f "$prefix/$f" ] || fail "$f not installed"
done
[ -x "$prefix/nubrel" ] || fail "the program is not executable"
# The settings file: Linux's comments, then the settings every platform shares.
cat "$source_dir/resources/settings/header-linux.ini" "$source_dir/resources/settings/products.ini" |
    cmp -s - "$prefix/Nubrel.ini" || fail "the shipped Nubrel.ini is not Linux's header and the shared body"
grep -qx "Exec=\"$prefix/nubrel\"" "$menu" || fail "menu entry: $(cat "$menu")"
grep -qx 'Name\[ja\]=.*Nubrel' "$menu" || fail "no Japanese name"
grep -qx 'Name=Nubrel' "$menu" || fail "no English name"
grep -qx 'Icon=nubrel' "$menu" || fail "no icon"
[ -f "$XDG_DATA_HOME/icons/hicolor/48x48/apps/nubrel.png" ] || fail "icon not installed"
[ -e "$autostart" ] && fail "autostart without being asked"
command -v desktop-file-validate >/dev/null || fail "desktop-file-validate missing (Debian's desktop-file-utils)"
desktop-file-validate "$menu" || fail "invalid menu entry"

# The user's own settings, history and log, and a product list one entry short.
ini=$prefix/Nubrel.ini
shipped_count=$(tr -d '\r' <"$ini" | sed -n 's/^PRODUCTSLISTCNT=//p')
last=$((shipped_count - 1))
tr -d '\r' <"$ini" | grep -av "^PRODUCTSLIST$last=" |
    sed "s/^PRODUCTSLISTCNT=.*/PRODUCTSLISTCNT=$last/; s/^TIMER=.*/TIMER=3/" |
    sed 's/$/\r/' >"$ini.tmp" && mv "$ini.tmp" "$ini"
printf '2026/12/01,10:00:00,0312345678\r\n' >"$prefix/着信履歴.TXT"
printf 'a log line\r\n' >"$prefix/Nubrel.log"
history=$(md5sum <"$prefix/着信履歴.TXT")
log=$(md5sum <"$prefix/Nubrel.log")

install --autostart
tr -d '\r' <"$ini" | grep -aqx 'TIMER=3' || fail "the user's TIMER was overwritten"
tr -d '\r' <"$ini" | grep -aq "^PRODUCTSLIST$last=" || fail "the new product entry was not merged in"
tr -d '\r' <"$ini" | grep -aqx "PRODUCTSLISTCNT=$shipped_count" || fail "product count not raised"
[ "$history" = "$(md5sum <"$prefix/着信履歴.TXT")" ] || fail "history touched"
[ "$log" = "$(md5sum <"$prefix/Nubrel.log")" ] || fail "log touched"
grep -qx "Exec=\"$prefix/nubrel\"" "$autostart" || fail "autostart entry: $(cat "$autostart" 2>/dev/null)"

# A plain CMake install over the folder keeps the user's settings file too.
settings=$(md5sum <"$ini")
cmake --install "$build" --prefix "$prefix" >/dev/null || fail "cmake --install"
[ "$settings" = "$(md5sum <"$ini")" ] || fail "cmake --install replaced the user's Nubrel.ini"

# A relative prefix becomes absolute before anything else.
(cd "$home" && "$source_dir/scripts/install.sh" --build-dir "$build" --prefix Relative >/dev/null 2>&1) ||
    fail "install --prefix Relative"
grep -qx "Exec=\"$home/Relative/nubrel\"" "$menu" || fail "relative prefix: $(cat "$menu")"
(cd "$home" && "$source_dir/scripts/uninstall.sh" --prefix Relative --purge >/dev/null) || fail "uninstall relative"
[ -e "$home/Relative" ] && fail "uninstall did not find the relative prefix"
install

"$source_dir/scripts/uninstall.sh" >/dev/null || fail "uninstall"
[ -e "$prefix/nubrel" ] && fail "the program stayed"
[ -e "$menu" ] || [ -e "$autostart" ] && fail "an entry stayed"
[ -f "$ini" ] && [ -f "$prefix/着信履歴.TXT" ] && [ -f "$prefix/Nubrel.log" ] || fail "user files removed"
"$source_dir/scripts/uninstall.sh" --purge >/dev/null || fail "purge"
[ -e "$prefix" ] && fail "purge left $(ls "$prefix")"
echo "PASS: install"

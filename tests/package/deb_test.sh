#!/usr/bin/env bash
# The Debian package: built and checked by lintian (scripts/deb.sh), installed
# with apt-get, its files where the menu, AppStream and man look for them,
# then removed. Installs system-wide: run as root (CI) or with sudo.
set -uo pipefail
cd "$(dirname "$0")/../.."
fail() { echo "FAIL: deb: $*" >&2; exit 1; }
as_root=()
[ "$(id -u)" -eq 0 ] || as_root=(sudo)
apt() { flock /tmp/nubrel-apt.lock "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get -qq "$@"; }
remove() { dpkg-query -W -f='${Status}' nubrel 2>/dev/null | grep -q 'install ok installed' && apt remove -y nubrel >/dev/null; }
trap remove EXIT

scripts/deb.sh || fail "not built, or lintian found errors"
deb=$(ls build/deb/nubrel_*.deb) || fail "no package"
dpkg-deb -f "$deb" Recommends | grep -q 'fonts-ipafont-gothic' || fail "fonts not recommended"
dpkg-deb -f "$deb" Recommends | grep -q 'qt6-translations-l10n' || fail "Qt's translations not recommended"
apt install -y "./$deb" >/dev/null || fail "apt-get install ./$deb failed"

lib=/usr/lib/nubrel
for f in $lib/nubrel $lib/Nubrel.ini $lib/PhoneA.Ico $lib/PhoneB.Ico $lib/説明書.html \
    /usr/share/applications/nubrel.desktop /usr/share/metainfo/jp.example.vordek.nubrel.metainfo.xml \
    /usr/share/icons/hicolor/48x48/apps/nubrel.png /usr/share/man/man1/nubrel.1.gz \
    /usr/share/man/ja/man1/nubrel.1.gz /usr/share/doc/nubrel/README.Debian /usr/share/doc/nubrel/copyright; do
    [ -f "$f" ] || fail "$f missing"
done
[ "$(readlink -f /usr/bin/nubrel)" = $lib/nubrel ] || fail "/usr/bin/nubrel is not the program"
[ -x $lib/nubrel ] || fail "the program is not executable"
# The shipped settings file: Linux's comments, then the settings all share.
cat resources/settings/header-linux.ini resources/settings/products.ini | cmp -s - $lib/Nubrel.ini ||
    fail "Nubrel.ini is not the shipped one"
ldd $lib/nubrel | grep 'not found' && fail "libraries missing"
desktop-file-validate /usr/share/applications/nubrel.desktop || fail "menu entry"
appstreamcli validate --no-net /usr/share/metainfo/jp.example.vordek.nubrel.metainfo.xml >/dev/null ||
    fail "metainfo: $(appstreamcli validate --no-net /usr/share/metainfo/jp.example.vordek.nubrel.metainfo.xml)"
zcat /usr/share/man/ja/man1/nubrel.1.gz | grep -q 'dialout' || fail "the Japanese manual page lacks the serial port"

apt remove -y nubrel >/dev/null || fail "apt-get remove failed"
for f in /usr/bin/nubrel $lib /usr/share/applications/nubrel.desktop; do
    [ -e "$f" ] && fail "$f left after removal"
done
echo "PASS: deb $(basename "$deb") ($(stat -c %s "$deb") bytes)"

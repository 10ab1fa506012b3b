#!/usr/bin/env bash
# The Debian package on a Debian 12 machine: installs what building it needs,
# builds build/deb/nubrel_<version>_<arch>.deb from debian/ (dpkg-buildpackage,
# the project's CMake in Release) and checks it with lintian, which fails the
# build on any error.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh build deb

# One version: CMake's project version is the program's and the package's.
version=$(sed -n 's/^project(Nubrel VERSION \([0-9.]*\) .*/\1/p' CMakeLists.txt)
changelog=$(dpkg-parsechangelog -S Version)
[ -n "$version" ] && [ "$version" = "$changelog" ] ||
    { echo "deb.sh: debian/changelog is at $changelog, CMakeLists.txt at $version" >&2; exit 1; }
arch=$(dpkg --print-architecture)

# dpkg-buildpackage leaves its results beside the source tree: it builds a
# copy of the sources under build/deb, so nothing lands outside the project.
out=build/deb
source=$out/nubrel-$version
rm -rf "$out"
mkdir -p "$source"
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    git ls-files -z --cached --others --exclude-standard |
        tar --null -T - -cf - | tar -xf - -C "$source"
else
    tar --exclude=./build --exclude=./.git -cf - . | tar -xf - -C "$source"
fi
(cd "$source" && dpkg-buildpackage -b -us -uc -j2 >../build.log 2>&1) ||
    { tail -n 40 "$out/build.log" >&2; echo "deb.sh: dpkg-buildpackage failed ($out/build.log)" >&2; exit 1; }
deb=$out/nubrel_${version}_${arch}.deb
[ -f "$deb" ] || { echo "deb.sh: no $deb" >&2; exit 1; }

# Errors fail; every warning left is listed, with its reason, in README.md.
lintian --fail-on error --display-info "$deb"
ls -l "$deb"

#!/usr/bin/env bash
# Builds the Debian package atatool_<version>_<arch>.deb into the current folder's build-deb/
# (or the folder given): the program, the launcher and atatool-cli, the desktop entry, icons,
# metadata, manual pages, the systemd user units and the copyright file, all under /usr.
# Usage: tools/package.sh [build dir]   (prints the package's path last)
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build-deb}
# The distribution's hardening flags (fortified functions, stack protector, full RELRO). Fortified
# headers mark calls whose result a best-effort step ignores on purpose (keeping a file's owner).
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
CXXFLAGS="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)" \
LDFLAGS=$(dpkg-buildflags --get LDFLAGS) \
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX=/usr \
    -DATA_INSTALL_USER_UNIT_DIR=lib/systemd/user -DATA_DEBIAN_PACKAGE=ON -DATA_BENCHMARKS=OFF \
    -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON >/dev/null
# Only what the package holds; the tests are built by tools/test.sh.
cmake --build "$dir" -j "$(nproc)" --target atatool atatool-cli ata_manpages ata_debian_docs |
    tail -n 2
rm -f "$dir"/atatool_*.deb
(cd "$dir" && cpack -G DEB >/dev/null)
deb=$(ls "$dir"/atatool_*.deb)
echo "$deb"

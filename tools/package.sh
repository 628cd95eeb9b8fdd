#!/usr/bin/env bash
# Builds the Debian package in build-package (Release, with the hardening flags Debian builds
# its own packages with) and prints the package's path.
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/setup.sh
need_packages "${BUILD_PACKAGES[@]}" "${PACKAGE_PACKAGES[@]}"

export DEB_BUILD_MAINT_OPTIONS=hardening=+all
CXXFLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)" \
  LDFLAGS="$(dpkg-buildflags --get LDFLAGS)" \
  configure build-package -DCMAKE_BUILD_TYPE=Release -DHM_TESTS=OFF -DHM_BENCH=OFF
cmake --build build-package >&2
rm -f build-package/hexmarshal_*.deb
(cd build-package && cpack -G DEB >&2)
ls build-package/hexmarshal_*.deb

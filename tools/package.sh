#!/usr/bin/env bash
# Builds the Debian package in build-package (Release, with the hardening flags Debian builds
# its own packages with) and prints the package's path.
#   tools/package.sh [FOLDER]
# packs the programs of FOLDER instead, a build folder configured with the same options (as
# test.sh configures build-tests): a folder built otherwise is refused rather than packed.
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/setup.sh
need_packages "${BUILD_PACKAGES[@]}" "${PACKAGE_PACKAGES[@]}"

dir=${1:-build-package}
release_options
if [ $# -eq 0 ]; then
  configure "$dir" "${RELEASE_OPTIONS[@]}" -DHM_TESTS=OFF -DHM_BENCH=OFF
else
  for option in "${RELEASE_OPTIONS[@]}"; do
    if ! grep -qxF -- "$option" "$dir/hm-options" 2>/dev/null; then
      echo "package.sh: $dir was not configured with $option; not packing it" >&2
      exit 1
    fi
  done
fi
cmake --build "$dir" >&2
rm -f "$dir"/hexmarshal_*.deb
(cd "$dir" && cpack -G DEB >&2)
ls "$dir"/hexmarshal_*.deb

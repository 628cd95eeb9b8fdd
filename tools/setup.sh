#!/usr/bin/env bash
# Shared set-up of run.sh and test.sh: installs what is missing (as root on Debian 12),
# then configures the build folder once. Quick when nothing changed.
set -euo pipefail

need_packages() {
  local missing=()
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    if [ "$(id -u)" -ne 0 ]; then
      echo "Hexmarshal needs these Debian packages: ${missing[*]} (run as root to install them)" >&2
      exit 1
    fi
    echo "Installing: ${missing[*]}" >&2
    if [ ! -f /tmp/.hexmarshal-apt-updated ]; then
      apt-get update -qq && touch /tmp/.hexmarshal-apt-updated
    fi
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" >&2
  fi
}

BUILD_PACKAGES=(cmake ninja-build g++ qt6-base-dev libgl-dev libqt6svg6 qt6-translations-l10n)
TEST_PACKAGES=(libgtest-dev libgmock-dev libbenchmark-dev clang libclang-rt-14-dev)
# The layout check pins Debian 12's clang-format: each version places a few things its own way.
TEST_PACKAGES+=(clang-format-14)
# The association is tried the way desktops open files: xdg-open, gio and the MIME database.
TEST_PACKAGES+=(xdg-utils libglib2.0-bin shared-mime-info desktop-file-utils)
# rsvg-convert draws the icon sizes the installed menu entry needs.
BUILD_PACKAGES+=(librsvg2-bin)
# Building the Debian package (dpkg-shlibdeps, file) and judging it as Debian does.
PACKAGE_PACKAGES=(dpkg-dev file lintian desktop-file-utils appstream libxml2-utils
  shared-mime-info man-db)

configure() {
  local dir=$1; shift
  if [ ! -f "$dir/build.ninja" ]; then
    cmake -S . -B "$dir" -G Ninja "$@" >&2
  fi
}

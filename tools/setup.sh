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
# clang builds the sanitizer folder, whose core is instrumented for libFuzzer too.
TEST_PACKAGES=(libgtest-dev libgmock-dev libbenchmark-dev clang libclang-rt-14-dev)
# The test folder is built with the package's flags, which dpkg-buildflags gives.
TEST_PACKAGES+=(dpkg-dev)
# The layout check pins Debian 12's clang-format: each version places a few things its own way.
TEST_PACKAGES+=(clang-format-14)
# The association is tried the way desktops open files: xdg-open, gio and the MIME database.
TEST_PACKAGES+=(xdg-utils libglib2.0-bin shared-mime-info desktop-file-utils)
# rsvg-convert draws the icon sizes the installed menu entry needs.
BUILD_PACKAGES+=(librsvg2-bin)
# Building the Debian package (dpkg-shlibdeps, file) and judging it as Debian does.
PACKAGE_PACKAGES=(dpkg-dev file lintian desktop-file-utils appstream libxml2-utils
  shared-mime-info man-db)

# Every build folder compiles through ccache: a clean clone on a machine that has built the
# project before compiles little again. The precompiled headers are cached too, which needs
# their defines and times left out of the comparison (they are the same for the same sources).
BUILD_PACKAGES+=(ccache)
export CCACHE_SLOPPINESS=pch_defines,time_macros,include_file_mtime,include_file_ctime
export CCACHE_BASEDIR=$PWD CCACHE_NOHASHDIR=true

# Configures a build folder, and configures it afresh whenever it was made with other options:
# a folder kept from another set-up (another compiler, other flags) would build something else
# than asked, and the package would be packed from it.
configure() {
  local dir=$1; shift
  local options
  options=$(printf '%s\n' "$@")
  if [ ! -f "$dir/build.ninja" ] || [ "$(cat "$dir/hm-options" 2>/dev/null)" != "$options" ]; then
    cmake --fresh -S . -B "$dir" -G Ninja -DCMAKE_CXX_COMPILER_LAUNCHER=ccache "$@" >&2
    printf '%s\n' "$options" >"$dir/hm-options"
  fi
}

# Release with the flags Debian builds its own packages with (hardening included). The package
# is packed from a folder configured so: build-package, or build-tests, whose programs the tests
# have just run. CPack strips the debug information from the programs, so they are compiled
# without it: the packed code is the same, and the build takes a third less time.
release_options() {
  export DEB_BUILD_MAINT_OPTIONS=hardening=+all DEB_CXXFLAGS_MAINT_STRIP=-g
  RELEASE_OPTIONS=(-DCMAKE_BUILD_TYPE=Release
    "-DCMAKE_CXX_FLAGS=$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)"
    "-DCMAKE_EXE_LINKER_FLAGS=$(dpkg-buildflags --get LDFLAGS)")
}

# The sanitizer folder: clang with AddressSanitizer and UndefinedBehaviorSanitizer, the core
# also instrumented for libFuzzer, so one build serves the sanitized suite (tools/sanitize.sh)
# and the fuzzers (tools/fuzz.sh). -O1 and line tables: the sanitizers' reports still name the
# file and line, and the suite compiles in half the time -O2 with full debug information takes.
SANITIZE_DIR=build-asan
configure_sanitized() {
  configure "$SANITIZE_DIR" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O1 -gline-tables-only -DNDEBUG" \
    -DHM_SANITIZE=ON -DHM_FUZZ=ON -DHM_WERROR=ON -DHM_BENCH=OFF
}

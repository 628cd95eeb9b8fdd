#!/usr/bin/env bash
# Builds the Debian package and judges it with Debian's own tools: the desktop entry, the
# AppStream data, the MIME package and the manual page through their validators, the package
# through lintian, and an install into a temporary DESTDIR that must hold exactly the files in
# packaging/installed-files.txt and run without the build folder.
# HM_PACKAGE_INSTALL_TEST=1 (as root) also installs the package with apt-get on this machine and
# removes it again, checking that nothing is left behind.
#   tools/package_check.sh [FOLDER]
# judges the package packed from FOLDER (see tools/package.sh; default build-package).
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/setup.sh
need_packages "${BUILD_PACKAGES[@]}" "${PACKAGE_PACKAGES[@]}"

dir=${1:-build-package}
deb=$(tools/package.sh "$@")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
root=$work/root
passed=0
failed=0

# Runs one check, showing its output only when it fails.
check() {
  local what=$1; shift
  if "$@" > "$work/out" 2>&1; then
    passed=$((passed + 1))
  else
    cat "$work/out" >&2
    echo "package check failed: $what" >&2
    failed=$((failed + 1))
  fi
}

# For tools that report problems on standard error and still exit with 0.
silent() {
  local status=0
  "$@" 2> "$work/err" || status=$?
  cat "$work/err" >&2
  [ "$status" = 0 ] && [ ! -s "$work/err" ]
}

installed_files() {
  (cd "$root" && find . \( -type f -o -type l \) | sed 's#^\.##' | LC_ALL=C sort) |
    diff -u packaging/installed-files.txt -
}

packed_files() {
  dpkg-deb --fsys-tarfile "$deb" | tar -t | grep -v '/$' | sed 's#^\.##' | LC_ALL=C sort |
    diff -u packaging/installed-files.txt -
}

mime_database() {
  mkdir -p "$work/mime/packages"
  cp "$root/usr/share/mime/packages/hexmarshal.xml" "$work/mime/packages/"
  XDG_DATA_DIRS=$work silent update-mime-database "$work/mime"
}

no_search_path() {
  ! readelf -d "$root/usr/bin/hexmarshal" "$root/usr/bin/hexmarshal-gui" | grep -E 'RPATH|RUNPATH'
}

# The sample pair, compared by the installed launcher and patched back by the installed window
# program, from a folder outside the repository.
sample_round_trip() (
  cp examples/old.bin examples/new.bin "$work/"
  cd "$work" && export QT_QPA_PLATFORM=offscreen &&
    "$root/usr/bin/hexmarshal" old.bin /t:new.bin /d:patch.dif &&
    "$root/usr/bin/hexmarshal-gui" old.bin /a:patch.dif /o:patched.bin &&
    cmp patched.bin new.bin
)

manual_page() {
  LC_ALL=$1 silent man --warnings -l "$root/usr/share/man/man1/hexmarshal.1.gz" > /dev/null
}

DESTDIR=$root cmake --install "$dir" --prefix /usr > /dev/null
check "cmake --install lays out packaging/installed-files.txt" installed_files
check "the package holds packaging/installed-files.txt" packed_files
check "desktop-file-validate" \
  silent desktop-file-validate "$root/usr/share/applications/hexmarshal.desktop"
check "appstreamcli validate" \
  appstreamcli validate --no-net --pedantic "$root"/usr/share/metainfo/*.metainfo.xml
check "xmllint on the MIME package" \
  silent xmllint --noout "$root/usr/share/mime/packages/hexmarshal.xml"
check "update-mime-database on the MIME package" mime_database
for locale in C C.UTF-8; do
  check "man --warnings in $locale" manual_page "$locale"
done
check "lintian: no error or warning (mend it, or override it with its reason in the README)" \
  lintian --fail-on error,warning "$deb"
check "the programs name no library folder of their own" no_search_path
check "the installed programs turn old.bin into new.bin" sample_round_trip
if [ "${HM_PACKAGE_INSTALL_TEST:-0}" = 1 ]; then
  check "installing and removing the package" tools/package_install_test.sh "$deb"
fi

echo "package: $passed passed, $failed failed"
[ "$failed" = 0 ]

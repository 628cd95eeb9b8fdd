# The Debian package: `cpack -G DEB` in the build folder packs what `cmake --install` lays out.
# Its dependencies are read from the programs by dpkg-shlibdeps; the desktop, MIME, icon and
# manual-page caches are refreshed by the triggers those Debian packages already hold, so the
# package carries no maintainer scripts and a removal leaves nothing behind.

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME hexmarshal)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Hexmarshal developers")
set(CPACK_PACKAGE_CONTACT ${HM_PACKAGE_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "make, edit and apply byte patches between binary images")
# Lines as the control file shows them: at most 79 characters, an empty line between paragraphs.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
  "Hexmarshal compares a source and a target binary image (a BIN of at most"
  "16,777,215 bytes) byte by byte, turns every run of differing bytes into a"
  "block and lists the blocks. They can be merged, deleted, re-addressed and"
  "added, then written as a DIF file, a small patch format of the program's own,"
  "with an optional backup DIF that undoes the patch. A DIF can be applied to a"
  "BIN, or opened again for editing, where new blocks take their bytes from any"
  "data file."
  ""
  "Comparing, inserting a block and applying also run unattended from the"
  "command line: the hexmarshal program runs them without loading Qt and starts"
  "the window only when one is wanted.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS ${HM_DIRECTORY_PERMISSIONS})

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${HM_PACKAGE_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${HM_HOMEPAGE})
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Loaded by Qt at run time, so dpkg-shlibdeps cannot see them: the SVG plugins draw the window's
# icons, and Qt's own Russian texts come with the translations.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6svg6")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)

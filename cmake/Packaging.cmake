# make package: a Debian package of both programs and their resources, built
# from the release configuration (preset "package", installed under /usr).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quandel)
set(CPACK_PACKAGE_VENDOR Tivorn)
set(CPACK_PACKAGE_CONTACT "Tivorn <support@tivorn.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Desktop document library for programmers")
set(CPACK_PACKAGE_DESCRIPTION "Quandel Library keeps one folder of developer documents in four
kinds: help documents, class and module files, project folders and help
projects. It shows them in a list with an editor and a rendered view,
searches through all of them, remembers favourites and packs the folder
into a zip archive. The user interface is German.

The package holds the program quandel and its help viewer brenlow.")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION devel)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://www.tivorn.example/quandel/)
# The library dependencies are read off the binaries; the rest is what the
# programs use at run time without linking it: the desktop integration's
# programs, the fonts of the document view, and Qt's German translations of
# its own dialogs.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "xdg-utils, fonts-dejavu-core, qt6-translations-l10n")
include(CPack)

# make package: a Debian package of both programs and their resources.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quandel)
set(CPACK_PACKAGE_VENDOR Tivorn)
set(CPACK_PACKAGE_CONTACT "Tivorn <support@tivorn.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Desktop document library for programmers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION devel)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://www.tivorn.example/quandel/)
# The library dependencies are read off the binaries; the rest are programs
# the desktop integration calls.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "xdg-utils")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-dejavu-core")
include(CPack)

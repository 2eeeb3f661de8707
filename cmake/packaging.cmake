# The Debian package, made by scripts/package with CPack. Its dependencies
# are computed from the libraries the executables link (dpkg-shlibdeps).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME korvel-console)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "The korvel-console developers <korvel-console@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "desktop test console for the Korvel light-path controllers")
set(CPACK_PACKAGE_DESCRIPTION
  "Test programs for the Korvel laboratory light-path controllers, which drive
optical filter wheels and shutters over a 300-baud serial line:
korvel-console, the desktop test console; korvel-ctl, the same commands,
burn-ins and checks from the shell; and korvel-emulator, an emulated
controller on a pseudo-terminal.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${KORVEL_HOMEPAGE}")
# The window cannot show without Qt's X11 platform plugin: the toolkit loads
# it at run time, so no linked library names it, and Qt's GUI library only
# recommends it. The computed dependencies are added to this one.
set(CPACK_DEBIAN_PACKAGE_DEPENDS qt6-qpa-plugins)
include(CPack)

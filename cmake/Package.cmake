# `make package`: a Debian package of what cmake/Install.cmake installs,
# rooted at /usr where the desktop looks.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME abacoria)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Abacoria developers")
set(CPACK_PACKAGE_CONTACT "${ABACORIA_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "pocket calculator with a sponsor, and a mind of its own")
# One string: separate arguments to set() would make a list.
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "Abacoria looks like an honest little pocket calculator, right up to the\n"
    "moment you expect it to calculate. Its keys type digits, its operators wipe\n"
    "the display, and its equals key runs a very long calculation before telling\n"
    "you what it thinks of your arithmetic. Click the blinking sponsor banner to\n"
    "win a prize, and visit the sponsor before you leave: the calculator insists.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${ABACORIA_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://abacoria.example.org/")
# The Qt libraries the binary links come from dpkg-shlibdeps; what it only
# loads at run time does not show in the binary and is named here: the Qt
# platform plugins (X11 comes with libqt6gui6), the SVG icon engine for its
# icon, and the fonts the layout maps its classic faces to. Wayland sessions
# run it through XWayland unless the native plugin is there, and the icon
# theme's index is what lets Qt find the installed icon.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, libqt6svg6, fonts-liberation2, fonts-comic-neue")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland, hicolor-icon-theme")

include(CPack)

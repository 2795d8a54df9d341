# Installs Abacoria as a desktop program: the binary, its desktop entry, its
# AppStream metainfo and its icon in the hicolor theme, each where desktops,
# software centres and panels look for them, and the manual page, changelog
# and copyright a Debian package carries. Paths are relative to the install
# prefix, so `cmake --install` and the Debian package share them.
include(GNUInstallDirs)

# The reverse-DNS id ties the desktop entry, the icon and the running window
# together; src/platform/qt/Application.cpp sets the same one. The AppStream
# component id is its lower-case form, as AppStream asks: nothing but the
# metainfo's own file name goes by it, and the metainfo names the desktop
# entry it launches.
set(ABACORIA_APP_ID org.example.Abacoria)
string(TOLOWER ${ABACORIA_APP_ID} ABACORIA_COMPONENT_ID)
set(ABACORIA_DATA_DIR ${PROJECT_SOURCE_DIR}/data)
# Who answers for the package: its control file, changelog and copyright.
set(ABACORIA_MAINTAINER "Abacoria developers <abacoria@example.org>")
# A game, in Debian's sense of the word (section games): the program goes
# where Debian puts games, in the PATH that Debian gives its users
# (/usr/games, or /usr/local/games for a local install).
set(ABACORIA_INSTALL_GAMESDIR games CACHE STRING "Where the program is installed, relative to the prefix")
set(ABACORIA_INSTALL_DOCDIR ${CMAKE_INSTALL_DATADIR}/doc/abacoria)
set(ABACORIA_ICON_SVG ${ABACORIA_DATA_DIR}/icons/${ABACORIA_APP_ID}.svg)

# Panels and docks that take no SVG want a bitmap; render it from the drawing
# so the two never drift apart.
find_program(RSVG_CONVERT rsvg-convert)
set(ABACORIA_ICON_PNG ${CMAKE_CURRENT_BINARY_DIR}/icons/48x48/${ABACORIA_APP_ID}.png)
if(RSVG_CONVERT)
    add_custom_command(
        OUTPUT ${ABACORIA_ICON_PNG}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/icons/48x48
        COMMAND ${RSVG_CONVERT} --width 48 --height 48 --output ${ABACORIA_ICON_PNG} ${ABACORIA_ICON_SVG}
        DEPENDS ${ABACORIA_ICON_SVG}
        COMMENT "Rendering the 48x48 application icon"
        VERBATIM)
    add_custom_target(abacoria_icon_png ALL DEPENDS ${ABACORIA_ICON_PNG})
else()
    message(WARNING "rsvg-convert not found (Debian package librsvg2-bin, installed by "
                    "scripts/install-deps.sh): the 48x48 icon will be missing from the install")
endif()

# The build tree's Qt path has no place in an installed binary: Qt comes from
# the system's library directories.
set_target_properties(abacoria PROPERTIES INSTALL_RPATH "")

install(TARGETS abacoria RUNTIME DESTINATION ${ABACORIA_INSTALL_GAMESDIR})
install(FILES ${ABACORIA_DATA_DIR}/${ABACORIA_APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
# The releases, from CHANGELOG.md: the metainfo's and the Debian changelog.
include(${CMAKE_CURRENT_LIST_DIR}/Changelog.cmake)
configure_file(${ABACORIA_DATA_DIR}/${ABACORIA_COMPONENT_ID}.metainfo.xml.in
               ${CMAKE_CURRENT_BINARY_DIR}/${ABACORIA_COMPONENT_ID}.metainfo.xml @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/${ABACORIA_COMPONENT_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${ABACORIA_ICON_SVG}
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
if(RSVG_CONVERT)
    install(FILES ${ABACORIA_ICON_PNG}
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/48x48/apps)
endif()
# The copyright in Debian's machine-readable format, its notice and licence
# text taken from LICENSE, so the two cannot drift apart.
file(READ ${PROJECT_SOURCE_DIR}/LICENSE license)
if(NOT license MATCHES "^MIT License\n\nCopyright \\(c\\) ([^\n]+)\n\n(.+[^\n])\n*$")
    message(FATAL_ERROR "LICENSE is not the MIT licence's title, copyright line and text")
endif()
set(ABACORIA_COPYRIGHT "${CMAKE_MATCH_1}")
# One space in, and a lone "." for each blank line.
string(REPLACE "\n\n" "\n.\n" ABACORIA_LICENSE_TEXT " ${CMAKE_MATCH_2}")
string(REPLACE "\n" "\n " ABACORIA_LICENSE_TEXT "${ABACORIA_LICENSE_TEXT}")
configure_file(${ABACORIA_DATA_DIR}/copyright.in ${PROJECT_BINARY_DIR}/copyright @ONLY)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/LICENSE)
install(FILES ${PROJECT_BINARY_DIR}/copyright
        DESTINATION ${ABACORIA_INSTALL_DOCDIR})

include(${CMAKE_CURRENT_LIST_DIR}/Manual.cmake)

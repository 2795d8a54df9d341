# The manual page: data/abacoria.6.scd.in, in scdoc's format, made into roff
# and compressed as Debian wants it, in section 6 beside the games. It is
# dated by the newest release (ABACORIA_RELEASE_EPOCH, from
# cmake/Changelog.cmake) rather than by the day it was built, so every build
# makes the same page.
find_program(SCDOC scdoc)
if(NOT SCDOC)
    message(WARNING "scdoc not found (Debian package scdoc, installed by scripts/install-deps.sh): "
                    "the manual page will be missing from the install")
    return()
endif()

set(ABACORIA_MANUAL_SCD ${PROJECT_BINARY_DIR}/abacoria.6.scd)
set(ABACORIA_MANUAL ${PROJECT_BINARY_DIR}/abacoria.6)
configure_file(${ABACORIA_DATA_DIR}/abacoria.6.scd.in ${ABACORIA_MANUAL_SCD} @ONLY)
add_custom_command(
    OUTPUT ${ABACORIA_MANUAL} ${ABACORIA_MANUAL}.gz
    COMMAND ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=${ABACORIA_RELEASE_EPOCH}
            sh -c "\"$1\" <\"$2\" >\"$3\"" sh ${SCDOC} ${ABACORIA_MANUAL_SCD} ${ABACORIA_MANUAL}
    # -n: no name or time in the header; -9: lintian asks for the best.
    COMMAND gzip -9 -n -k -f ${ABACORIA_MANUAL}
    DEPENDS ${ABACORIA_MANUAL_SCD}
    COMMENT "Making the manual page"
    VERBATIM)
add_custom_target(abacoria_manual ALL DEPENDS ${ABACORIA_MANUAL}.gz)
install(FILES ${ABACORIA_MANUAL}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)

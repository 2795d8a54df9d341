# The releases are written once, in CHANGELOG.md; from it come the Debian
# changelog the package carries (changelog.gz in ABACORIA_INSTALL_DOCDIR)
# and the metainfo's <release> entries (ABACORIA_METAINFO_RELEASES). The
# newest release must be project()'s version, or configuring stops.
# Sets ABACORIA_RELEASE_EPOCH too, midnight UTC of the newest release's
# date, which dates the manual page. Needs ABACORIA_MAINTAINER.
set(ABACORIA_CHANGELOG ${PROJECT_SOURCE_DIR}/CHANGELOG.md)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${ABACORIA_CHANGELOG})

# Days since 1970-01-01 of a proleptic Gregorian date (H. Hinnant's
# days_from_civil), for the weekday and epoch a Debian changelog wants.
function(abacoria_days_from_civil out year month day)
    math(EXPR m "${month} + 0")
    math(EXPR d "${day} + 0")
    set(y ${year})
    if(m LESS_EQUAL 2)
        math(EXPR y "${y} - 1")
        math(EXPR mp "${m} + 9")
    else()
        math(EXPR mp "${m} - 3")
    endif()
    math(EXPR era "${y} / 400")
    math(EXPR yoe "${y} - ${era} * 400")
    math(EXPR doy "(153 * ${mp} + 2) / 5 + ${d} - 1")
    math(EXPR doe "${yoe} * 365 + ${yoe} / 4 - ${yoe} / 100 + ${doy}")
    math(EXPR days "${era} * 146097 + ${doe} - 719468")
    set(${out} ${days} PARENT_SCOPE)
endfunction()

# The text goes line by line through string(FIND) rather than a list, so
# that semicolons and brackets in it are only text.
file(READ ${ABACORIA_CHANGELOG} text)
set(debian "")
set(releases "")
set(version "")
set(item "")
set(line_number 0)
string(APPEND text "\n## end (0000-01-01)\n")
while(NOT text STREQUAL "")
    string(FIND "${text}" "\n" eol)
    string(SUBSTRING "${text}" 0 ${eol} line)
    math(EXPR eol "${eol} + 1")
    string(SUBSTRING "${text}" ${eol} -1 text)
    math(EXPR line_number "${line_number} + 1")

    # An item ends at a blank line, the next item or the next release.
    if(NOT item STREQUAL "" AND NOT line MATCHES "^  [^ ]")
        string(REPLACE "&" "&amp;" xml "${item}")
        string(REPLACE "<" "&lt;" xml "${xml}")
        string(REPLACE ">" "&gt;" xml "${xml}")
        string(REPLACE "\n" " " xml "${xml}")
        string(APPEND releases "          <li>${xml}</li>\n")
        string(REPLACE "\n" "\n    " deb "${item}")
        string(APPEND debian "  * ${deb}\n")
        set(item "")
    endif()

    if(line MATCHES "^## ([^ ]+) \\(([0-9][0-9][0-9][0-9])-([0-9][0-9])-([0-9][0-9])\\)$")
        if(NOT version STREQUAL "")
            if(NOT has_items)
                message(FATAL_ERROR "CHANGELOG.md: release ${version} says nothing")
            endif()
            string(APPEND releases "        </ul>\n      </description>\n    </release>\n")
            string(APPEND debian "\n -- ${ABACORIA_MAINTAINER}  ${date_rfc2822}\n")
        endif()
        if(CMAKE_MATCH_1 STREQUAL "end")
            break()
        endif()
        if(version STREQUAL "" AND NOT CMAKE_MATCH_1 STREQUAL PROJECT_VERSION)
            message(FATAL_ERROR "CHANGELOG.md's newest release is ${CMAKE_MATCH_1}, "
                                "project() in CMakeLists.txt says ${PROJECT_VERSION}")
        endif()
        abacoria_days_from_civil(days ${CMAKE_MATCH_2} ${CMAKE_MATCH_3} ${CMAKE_MATCH_4})
        if(version STREQUAL "")
            math(EXPR ABACORIA_RELEASE_EPOCH "${days} * 86400")
        else()
            string(APPEND debian "\n")
        endif()
        set(version ${CMAKE_MATCH_1})
        set(has_items FALSE)
        # 1970-01-01 was a Thursday.
        set(weekdays Thu Fri Sat Sun Mon Tue Wed)
        set(months Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
        math(EXPR weekday "${days} % 7")
        math(EXPR month "${CMAKE_MATCH_3} - 1")
        list(GET weekdays ${weekday} weekday)
        list(GET months ${month} month)
        set(date_rfc2822 "${weekday}, ${CMAKE_MATCH_4} ${month} ${CMAKE_MATCH_2} 00:00:00 +0000")
        # The distribution is the one the package is built on and for.
        string(APPEND debian "abacoria (${version}) bookworm; urgency=medium\n\n")
        string(APPEND releases "    <release version=\"${version}\" "
                               "date=\"${CMAKE_MATCH_2}-${CMAKE_MATCH_3}-${CMAKE_MATCH_4}\">\n"
                               "      <description>\n        <ul>\n")
        continue()
    endif()

    # lintian wants the Debian changelog's lines under 80 columns, and items
    # keep the lines they are written in, two columns further in.
    string(LENGTH "${line}" length)
    if(length GREATER 77 AND NOT version STREQUAL "")
        message(FATAL_ERROR "CHANGELOG.md:${line_number}: longer than 77 columns")
    endif()
    if(line MATCHES "^- (.+)$" AND NOT version STREQUAL "")
        set(item "${CMAKE_MATCH_1}")
        set(has_items TRUE)
    elseif(line MATCHES "^  ([^ ].*)$" AND NOT item STREQUAL "")
        string(APPEND item "\n${CMAKE_MATCH_1}")
    elseif(NOT line STREQUAL "" AND NOT version STREQUAL "")
        message(FATAL_ERROR "CHANGELOG.md:${line_number}: neither a release, an item nor its continuation: ${line}")
    endif()
endwhile()
if(version STREQUAL "")
    message(FATAL_ERROR "CHANGELOG.md holds no release")
endif()

set(ABACORIA_METAINFO_RELEASES "${releases}")

# The Debian changelog, rewritten only when it changes, and compressed as
# Debian wants it (-n: no name or time in the header).
set(changelog ${PROJECT_BINARY_DIR}/changelog)
file(WRITE ${changelog}.new "${debian}")
configure_file(${changelog}.new ${changelog} COPYONLY)
add_custom_command(
    OUTPUT ${changelog}.gz
    COMMAND gzip -9 -n -k -f ${changelog}
    DEPENDS ${changelog}
    COMMENT "Compressing the Debian changelog"
    VERBATIM)
add_custom_target(abacoria_changelog ALL DEPENDS ${changelog}.gz)
install(FILES ${changelog}.gz DESTINATION ${ABACORIA_INSTALL_DOCDIR})

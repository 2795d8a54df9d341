# The sanitizer build's test environment. ctest reads CTestCustom.cmake from
# the build tree before it runs anything, so the options below hold for every
# test, whether run by `make test` or by hand with ctest in build-asan.
#
# Only our own test programs run here: a test whose command is not a target
# of this project is a script driving the whole program in a display server
# (X11, Wayland, AT-SPI) or packaging it. Those exercise the window-system and
# bus client libraries rather than our code, whose leaks at exit would need
# broad suppressions; they run in the normal build.
set(ABACORIA_LSAN_SUPPRESSIONS ${CMAKE_CURRENT_LIST_DIR}/lsan.supp)

function(abacoria_collect_tests dir out)
    get_property(tests DIRECTORY ${dir} PROPERTY TESTS)
    get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
    foreach(sub IN LISTS subdirs)
        abacoria_collect_tests(${sub} more)
        list(APPEND tests ${more})
    endforeach()
    set(${out} ${tests} PARENT_SCOPE)
endfunction()

function(abacoria_write_sanitizer_ctest_custom)
    abacoria_collect_tests(${PROJECT_SOURCE_DIR} all_tests)
    set(scripts "")
    foreach(t IN LISTS all_tests)
        if(NOT TARGET ${t})
            list(APPEND scripts ${t})
        endif()
    endforeach()
    file(WRITE ${PROJECT_BINARY_DIR}/CTestCustom.cmake
"# Written by tests/Sanitizers.cmake.
set(ENV{ASAN_OPTIONS} \"detect_leaks=1:check_initialization_order=1:strict_string_checks=1:halt_on_error=1\")
set(ENV{LSAN_OPTIONS} \"suppressions=${ABACORIA_LSAN_SUPPRESSIONS}:print_suppressions=0\")
set(ENV{UBSAN_OPTIONS} \"print_stacktrace=1:halt_on_error=1\")
set(CTEST_CUSTOM_TESTS_IGNORE ${scripts})
")
endfunction()

cmake_language(DEFER DIRECTORY ${PROJECT_SOURCE_DIR} CALL abacoria_write_sanitizer_ctest_custom)

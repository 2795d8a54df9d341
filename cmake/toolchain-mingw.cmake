# Windows with mingw-w64 on Debian, for either processor: included by
# toolchain-mingw32.cmake (i686) and toolchain-mingw64.cmake (x86_64), which
# set CMAKE_SYSTEM_PROCESSOR and ABACORIA_MINGW_TRIPLET. The -posix
# compilers: the test framework needs std::mutex, which the -win32 ones
# lack. Everything is linked statically, so the program needs no DLL beyond
# Windows' own.
#
# Test programs run under Wine (CMAKE_CROSSCOMPILING_EMULATOR) in a prefix of
# the build tree, never the user's own ~/.wine, and never on the user's
# display; tests/win32/wine-run.sh takes 32- or 64-bit Wine by the program.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${ABACORIA_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ABACORIA_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${ABACORIA_MINGW_TRIPLET}-windres)
set(CMAKE_STRIP ${ABACORIA_MINGW_TRIPLET}-strip)

set(CMAKE_FIND_ROOT_PATH /usr/${ABACORIA_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# GUI programs are add_executable(... WIN32 ...), which gives -mwindows; the
# rest, the test programs, are console programs. Programs with a
# wide-character entry point (wWinMain) add -municode themselves: with it
# here, a plain main() would not link.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# Programs run this way get no display, and a prefix of their own: Wine's
# desktop process, started by whichever program comes first, keeps the
# display (or the lack of one) of that program for every later one.
set(ABACORIA_WINEPREFIX "${CMAKE_BINARY_DIR}/wine/prefix-console" CACHE PATH "Wine prefix of the tests without a display")
set(CMAKE_CROSSCOMPILING_EMULATOR
    "${CMAKE_CURRENT_LIST_DIR}/../tests/win32/wine-run.sh;--prefix;${ABACORIA_WINEPREFIX}")

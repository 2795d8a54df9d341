# 32-bit Windows (i686) with mingw-w64 on Debian: the product, abacoria.exe
# as PE32.
#
#   cmake -S . -B build-win32 -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw32.cmake
set(CMAKE_SYSTEM_PROCESSOR i686)
set(ABACORIA_MINGW_TRIPLET i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw.cmake)

# 64-bit Windows (x86-64) with mingw-w64 on Debian: the same source as the
# PE32, for machines whose kernel cannot run the 32-bit half of Wine, and to
# keep the Win32 code 64-bit clean.
#
#   cmake -S . -B build-win64 -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw64.cmake
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(ABACORIA_MINGW_TRIPLET x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw.cmake)

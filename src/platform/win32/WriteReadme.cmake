# Writes README.txt for the Windows download from README.txt.in, with the
# checksum of the program beside it, in Windows' line endings for Notepad.
# cmake -DEXE=abacoria.exe -DIN=README.txt.in -DOUT=README.txt -DPROJECT_VERSION=x -P WriteReadme.cmake
file(SHA256 "${EXE}" ABACORIA_EXE_SHA256)
configure_file("${IN}" "${OUT}" @ONLY NEWLINE_STYLE CRLF)

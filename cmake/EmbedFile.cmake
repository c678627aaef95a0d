# Writes a file's bytes as a C++ array initialiser list.
# usage: cmake -DIN=file -DOUT=file.inc -P EmbedFile.cmake
file(READ "${IN}" hex HEX)
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," hex "${hex}")
string(REGEX REPLACE "(0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,)" "\\1\n" hex "${hex}")
file(WRITE "${OUT}" "// Generated from ${IN}. Do not edit.\n${hex}\n")

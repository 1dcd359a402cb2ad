# Writes a C++ source holding a file's bytes as an array, for the native
# build's copy of the plug-in's compiled resources.
# cmake -DINPUT=file.res -DOUTPUT=file.cpp -DNAME=kName -P embed-file.cmake
file(READ ${INPUT} hex HEX)
string(LENGTH "${hex}" length)
math(EXPR size "${length} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "(0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,)" "\\1\n" bytes "${bytes}")
file(WRITE ${OUTPUT} "// Generated from ${INPUT}; do not edit.\n#include <cstddef>\n#include <cstdint>\n"
     "extern const uint8_t ${NAME}[] = {\n${bytes}\n};\nextern const size_t ${NAME}Size = ${size};\n")

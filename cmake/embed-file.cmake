# Writes a C++ source that holds a file's bytes: -DINPUT=file -DOUTPUT=file.cpp -DNAME=symbol
file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" length)
math(EXPR size "${length} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "((0x..,){16})" "\\1\n" bytes "${bytes}")
file(WRITE "${OUTPUT}" "// Made from ${INPUT} at build time.\n#include <cstddef>\n#include <cstdint>\n"
     "extern const std::uint8_t ${NAME}[] = {\n${bytes}\n};\nextern const std::size_t ${NAME}_size = ${size};\n")

# Writes OUTPUT, a C++ source that holds the bytes of INPUT as the array
# tarnel::SYMBOL (with a NUL after them) and their count as SYMBOLSize.
#   cmake -DINPUT=<file> -DOUTPUT=<file.cpp> -DSYMBOL=<name> -P EmbedFile.cmake
file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" digits)
math(EXPR size "${digits} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
file(WRITE "${OUTPUT}"
     "// Generated from ${INPUT}; do not edit.\n#include <cstddef>\n\nnamespace tarnel {\n"
     "extern const unsigned char ${SYMBOL}[] = {${bytes}0};\n"
     "extern const std::size_t ${SYMBOL}Size = ${size};\n}  // namespace tarnel\n")
